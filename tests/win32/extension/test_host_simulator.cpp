// The module registered with regsvr32 and driven from another process by
// hostsim.exe, which creates the classes through COM by their program
// identifiers as the host does; this test's window of the scheduler's title
// records what arrives.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/WakeupMessages.h"
#include "tests/win32/extension/ExtensionModule.h"
#include "tests/win32/extension/MessageRecorder.h"
#include "tests/win32/support/ServerRegistration.h"
#include "tests/win32/support/WineTestSupport.h"

namespace {

typedef std::vector<RecordedMessage> Messages;

const DWORD kNotImplemented = static_cast<DWORD>(E_NOTIMPL);

class HostSimulator : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(FindWindowA(nullptr, WAKEUP_WINDOW_TITLE), nullptr);
        ASSERT_TRUE(m_registration.Registered());
    }

    // hostsim's exit code: the result of the method it called.
    DWORD Run(const std::string& arguments) {
        DWORD exitCode = STILL_ACTIVE;
        const std::string line = "\"" + winetest::ProgramDir() + "\\hostsim.exe\" " + arguments;
        EXPECT_TRUE(winetest::RunToExit(line, exitCode)) << line;
        return exitCode;
    }

    winetest::CServerRegistration m_registration{ExtensionModulePath()};
};

TEST_F(HostSimulator, PlayerEventSendsTheEventThenTheHostPlayersState) {
    CMessageRecorder recorder;
    EXPECT_EQ(Run("player-event 25 4711"), kNotImplemented);
    EXPECT_EQ(recorder.Messages(),
              (Messages{{WAKEUP_MSG_PLAYER_EVENT, 25}, {WAKEUP_MSG_PLAYER_STATE, 4711}}));
}

TEST_F(HostSimulator, SelectionAndOnScreenActionsArriveWithTheirValues) {
    CMessageRecorder recorder;
    EXPECT_EQ(Run("selection 7"), kNotImplemented);
    EXPECT_EQ(Run("osd page"), kNotImplemented);
    EXPECT_EQ(Run("osd skin"), kNotImplemented);
    EXPECT_EQ(recorder.Messages(), (Messages{{WAKEUP_MSG_SELECTION_CHANGED, 7},
                                             {WAKEUP_MSG_OSD_ACTION, 1},
                                             {WAKEUP_MSG_OSD_ACTION, 0}}));
}

TEST_F(HostSimulator, SearchSendsNothing) {
    CMessageRecorder recorder;
    EXPECT_EQ(Run("search 3"), kNotImplemented);
    EXPECT_EQ(recorder.Messages(), Messages{});
}

TEST_F(HostSimulator, WithoutTheWindowEveryMethodStillReturnsNotImplemented) {
    for (const char* arguments : {"player-event 25 1", "player-event 26 none", "selection 2",
                                  "osd page", "osd skin", "search 1"})
        EXPECT_EQ(Run(arguments), kNotImplemented) << arguments;
}

} // namespace
