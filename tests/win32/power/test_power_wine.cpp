// The real scheduler driven by the host through the real extension module,
// by power broadcasts from another process and by its own countdown.
#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/WakeupMessages.h"
#include "tests/win32/extension/MessageRecorder.h"
#include "tests/win32/support/SchedulerFixture.h"
#include "tests/win32/support/ServerRegistration.h"

using namespace winetest;

namespace {
constexpr LRESULT kDeny = 0x424D5144;

class PowerWine : public SchedulerTest {
protected:
    void SetUp() override {
        SchedulerTest::SetUp();
        // A host under a path with a blank, and a program where the system
        // would look first if the tool's path were not quoted.
        m_hostDir = m_temp.Path() + "\\Orvisa Host";
        ASSERT_TRUE(CreateDirectoryA(m_hostDir.c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(WAKEUP_ORVISACMD, (m_hostDir + "\\orvisacmd.exe").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA(WAKEUP_ORVISACMD, (m_temp.Path() + "\\Orvisa.exe").c_str(), FALSE));
        CreateSettingsKey();
    }

    // Runs hostsim.exe with the arguments; true when the module answered
    // E_NOTIMPL, as it does for every event.
    static bool Host(const std::string& arguments) {
        DWORD exitCode = 0;
        return RunToExit("\"" WAKEUP_HOSTSIM "\" " + arguments, exitCode) &&
               exitCode == static_cast<DWORD>(E_NOTIMPL);
    }

    // A power broadcast from this process; a hang fails instead of blocking.
    LRESULT Power(WPARAM event) const {
        DWORD_PTR answer = 0;
        EXPECT_TRUE(SendMessageTimeoutA(m_window, WM_POWERBROADCAST, event, 0, SMTO_NORMAL,
                                        kDeadlineMs, &answer));
        return static_cast<LRESULT>(answer);
    }

    // The command lines the tool in the directory was started with.
    static std::vector<std::string> ToolCalls(const std::string& dir) {
        std::vector<std::string> lines;
        std::ifstream in(dir + "\\orvisacmd-calls.txt");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line.substr(0, line.find('\r')));
        return lines;
    }

    std::string Tool() const { return "\"" + m_hostDir + "\\orvisacmd\" "; }
};
} // namespace

TEST_F(PowerWine, HostEventsAndSuspendQueriesFromOtherProcesses) {
    CServerRegistration server(WAKEUP_MODULE);
    ASSERT_TRUE(server.Registered());
    SetSettingDword("SuspendTime", 3); // below 5: every player event cancels
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine("tvrecord.xml has changed."));

    // A host that records and then crashes: no stop comes, and its end
    // lets go of the recording.
    CProcess host;
    ASSERT_TRUE(host.Start("\"" WAKEUP_HOSTSIM "\" hold player-event 25"));
    ASSERT_NE(WaitForProcessWindow(host.Id(), "hostsim hold"), nullptr);
    EXPECT_TRUE(WaitForLogLine(" RecordingStarted"));
    EXPECT_EQ(Power(0), kDeny);
    EXPECT_TRUE(WaitForLogLine(" Query Suspend, deny because recording is on"));
    ASSERT_TRUE(TerminateProcess(host.Handle(), 1));
    EXPECT_TRUE(
        WaitForLogLine(" The host has ended: its recording and pause no longer keep the PC awake"));
    EXPECT_NE(Power(0), kDeny);
    EXPECT_TRUE(WaitForLogLine(" Query Suspend, OK"));
    ASSERT_TRUE(Host("player-event 26"));
    EXPECT_TRUE(WaitForLogLine(" RecordingStopped"));
    ASSERT_TRUE(Host("selection 7"));
    ASSERT_TRUE(Host("osd page"));
    EXPECT_TRUE(WaitForLogLine(" Selection changed to:7"));
    EXPECT_TRUE(WaitForLogLine(" OSD action."));

    const std::string cancel = Tool() + "message 150 300 2 Auto Suspend Cancelled.";
    EXPECT_TRUE(WaitFor([&] { return ToolCalls(m_hostDir).size() == 2; }));
    EXPECT_EQ(ToolCalls(m_hostDir), std::vector<std::string>(2, cancel));
    EXPECT_TRUE(ToolCalls(m_temp.Path()).empty()); // the unquoted path's program
}

TEST_F(PowerWine, HostEventsAndScheduleNoticesPassAWindowOfTheSameTitle) {
    CServerRegistration server(WAKEUP_MODULE);
    ASSERT_TRUE(server.Registered());
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine("tvrecord.xml has changed."));

    // Explorer titles its window after the open folder, and title matches
    // ignore case: a newer window of another class, answering on a thread
    // of its own, is what a lookup by title alone would find.
    std::atomic<DWORD> decoyThread{0};
    std::vector<RecordedMessage> decoyGot;
    std::thread decoy([&] {
        CMessageRecorder explorer("orvisawakeup", CMessageRecorder::Kind::otherClass);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue
        decoyThread = GetCurrentThreadId();
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        decoyGot = explorer.Messages();
    });
    ASSERT_TRUE(WaitFor([&] { return decoyThread != 0; }));
    EXPECT_NE(FindWindowA(nullptr, WAKEUP_WINDOW_TITLE), m_window);

    EXPECT_TRUE(Host("player-event 25"));
    EXPECT_TRUE(WaitForLogLine(" RecordingStarted"));
    ASSERT_TRUE(WriteFileBytes(m_hostDir + "\\tvrecord.xml", "<tvrecord/>"));
    // The start's notice and the write's; a write may come as more changes.
    EXPECT_TRUE(WaitFor([&] {
        return CountLines(Control(1001), "tvrecord.xml has changed.") >= 2;
    })) << CountLines(Control(1001), "tvrecord.xml has changed.");
    PostThreadMessageA(decoyThread, WM_QUIT, 0, 0);
    decoy.join();
    EXPECT_TRUE(decoyGot.empty()) << decoyGot.size() << " messages went to the other window";
}

TEST_F(PowerWine, StartedMinimizedItStaysOutOfTheWayAndStillHearsTheHost) {
    CServerRegistration server(WAKEUP_MODULE);
    ASSERT_TRUE(server.Registered());
    InstallProgram();
    ASSERT_TRUE(StartProgram("/minimized"));
    // In the notification area (hidden), or minimised in the task bar where
    // there is none; never on the desktop, not even for a moment.
    bool shown = false;
    EXPECT_TRUE(WaitFor([&] {
        shown = shown || (IsWindowVisible(m_window) && !IsIconic(m_window));
        return IsIconic(m_window) != FALSE;
    }));
    EXPECT_FALSE(shown);
    ASSERT_TRUE(WaitForLogLine("tvrecord.xml has changed."));
    // A host that goes on running: its recording holds the PC.
    CProcess host;
    ASSERT_TRUE(host.Start("\"" WAKEUP_HOSTSIM "\" hold player-event 25"));
    ASSERT_NE(WaitForProcessWindow(host.Id(), "hostsim hold"), nullptr);
    EXPECT_TRUE(WaitForLogLine(" RecordingStarted"));
    EXPECT_EQ(Power(0), kDeny);
}

TEST_F(PowerWine, CountdownWarnsAfterAMinuteAndAGrantedQueryWaitsForTheNewWakeTimer) {
    SetSettingDword("SuspendTime", 5);
    // Idle by the host's events alone: Wine's last input may lie within the
    // minute when its server has just started.
    SetSettingDword("CountUserInput", 0);
    // No host runs: the wake starts it, under a path with a blank.
    const std::string programDir = m_temp.Path() + "\\Orvisa Program";
    ASSERT_TRUE(CreateDirectoryA(programDir.c_str(), nullptr));
    const std::string program = programDir + "\\Orvisa.exe";
    ASSERT_TRUE(CopyFileA(WAKEUP_ORVISACMD, program.c_str(), FALSE));
    SetSettingString("HostProgram", program);
    // A daily recording due at the start of the next minute, at least ten
    // seconds and less than a minute away, so that its timer fires at the
    // start itself.
    auto localNow = [] {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return now;
    };
    ASSERT_TRUE(WaitFor([&] { return localNow().wSecond < 50; }));
    const WORD minuteBefore = localNow().wMinute;
    const std::string entry = "<tvrecord><program start=\"" + ScheduleStartIn(1) +
                              "\" freq=\"daily\" channel=\"Daily\"/></tvrecord>";
    ASSERT_TRUE(WriteFileBytes(m_hostDir + "\\tvrecord.xml", entry));
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine("Timer set to: "));

    // One real cycle of the countdown: 5 minutes become 4, with a warning.
    const std::string warning =
        Tool() + "message 150 300 59 Use remote controle to cancel auto shutdown in 4 minutes...";
    EXPECT_TRUE(WaitFor([&] { return !ToolCalls(m_hostDir).empty(); }, 90000));
    EXPECT_EQ(ToolCalls(m_hostDir), std::vector<std::string>{warning});
    EXPECT_TRUE(ToolCalls(m_temp.Path()).empty());

    // Once today's recording has started, the next is tomorrow's: the query
    // re-arms and answers only after the timer is set, although the arming
    // thread's log lines need the dialog's thread that the answer holds.
    ASSERT_TRUE(WaitForLogLine(" Timer done for: ", 90000));
    // Due while the PC is awake, it stays awake until the host reports it.
    ASSERT_TRUE(WaitForLogLine(" The wake for the recording at "));
    EXPECT_TRUE(WaitForLogLine(", but Orvisa is not running: nothing will record it"));
    EXPECT_TRUE(WaitForLogLine(" Started Orvisa for the recording at "));
    EXPECT_TRUE(WaitFor([&] { return ToolCalls(programDir).size() == 1; }));
    EXPECT_EQ(ToolCalls(programDir), std::vector<std::string>{"\"" + program + "\""});
    SendMessageA(m_window, WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 25);
    SendMessageA(m_window, WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 26);
    // A second into the start's minute: the start has passed in whole seconds.
    ASSERT_TRUE(WaitFor([&] {
        const SYSTEMTIME now = localNow();
        return now.wMinute != minuteBefore && now.wSecond >= 1;
    }));
    EXPECT_NE(Power(0), kDeny);
    EXPECT_EQ(CountLines(Control(1001), " Timer set to: "), 2);
}

TEST_F(PowerWine, AHostThatRanSilentBeforeTheSchedulerIsFoundAtTheWake) {
    CServerRegistration server(WAKEUP_MODULE);
    ASSERT_TRUE(server.Registered());
    // The host started at logon and was not touched: it has sent nothing.
    CProcess host;
    ASSERT_TRUE(host.Start("\"" WAKEUP_HOSTSIM "\" hold"));
    ASSERT_NE(WaitForProcessWindow(host.Id(), "hostsim hold"), nullptr);
    const std::string program = m_temp.Path() + "\\Orvisa.exe";
    SetSettingString("HostProgram", program);
    // A recording at the start of the next minute, ten seconds away at least.
    ASSERT_TRUE(WaitFor([] {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return now.wSecond < 50;
    }));
    ASSERT_TRUE(WriteFileBytes(m_hostDir + "\\tvrecord.xml",
                               "<tvrecord><program start=\"" + ScheduleStartIn(1) +
                                   "\" freq=\"once\" channel=\"Once\"/></tvrecord>"));
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine(" The wake for the recording at ", 90000));
    // The wake's lines come in one step: none says the host is absent.
    EXPECT_EQ(CountLines(Control(1001), "Orvisa is not running"), 0);
    EXPECT_EQ(CountLines(Control(1001), "Started Orvisa"), 0);
    // The host it found is watched for its end.
    ASSERT_TRUE(TerminateProcess(host.Handle(), 1));
    EXPECT_TRUE(WaitForLogLine(" Orvisa has ended"));
    EXPECT_TRUE(ToolCalls(m_temp.Path()).empty());
}

TEST_F(PowerWine, ASchedulerStartedAgainWhileTheHostRecordsHoldsThePcAtOnce) {
    CServerRegistration server(WAKEUP_MODULE);
    ASSERT_TRUE(server.Registered());
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    CProcess host;
    ASSERT_TRUE(host.Start("\"" WAKEUP_HOSTSIM "\" hold player-event 25"));
    ASSERT_NE(WaitForProcessWindow(host.Id(), "hostsim hold"), nullptr);
    ASSERT_TRUE(WaitForLogLine(" RecordingStarted"));
    // An update at night: the scheduler ends and starts again, and the
    // host says nothing more.
    m_process.End();
    ASSERT_TRUE(StartProgram());
    EXPECT_EQ(Power(0), kDeny);
    EXPECT_TRUE(WaitForLogLine(" Orvisa is recording: the PC stays awake"));
    EXPECT_TRUE(WaitForLogLine(" Query Suspend, deny because recording is on"));
}

TEST_F(PowerWine, AListedProgramHoldsTheCountdownOffUntilItEnds) {
    CServerRegistration server(WAKEUP_MODULE);
    ASSERT_TRUE(server.Registered());
    SetSettingDword("SuspendTime", 1);
    SetSettingDword("CountUserInput", 0);
    SetSettingString("KeepAwakePrograms", "ffmpeg;ComSkip");
    // Any program under a listed name: a post-processing of a recording.
    const std::string comskip = m_temp.Path() + "\\comskip.exe";
    ASSERT_TRUE(CopyFileA(WAKEUP_HOSTSIM, comskip.c_str(), FALSE));
    CProcess busy;
    ASSERT_TRUE(busy.Start("\"" + comskip + "\" hold"));
    ASSERT_NE(WaitForProcessWindow(busy.Id(), "hostsim hold"), nullptr);
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine(" Suspend cancelled because comskip.exe is running", 90000));
    busy.End();
    // The next expiry is not held off: its request follows.
    EXPECT_TRUE(WaitFor(
        [&] { return CountLines(Control(1001), "Force suspend because timeout has expired") == 2; },
        90000));
    const std::vector<std::string> lines = LogLines();
    const auto expiry = std::find_if(lines.rbegin(), lines.rend(), [](const std::string& line) {
        return line.find("Force suspend") != std::string::npos;
    });
    ASSERT_NE(expiry, lines.rend());
    EXPECT_TRUE(expiry == lines.rbegin() ||
                (expiry - 1)->find("Suspend cancelled") == std::string::npos)
        << *(expiry - 1);
}

TEST_F(PowerWine, StayAwakeFromTheCommandLineHoldsUntilItIsAllowedAgain) {
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine("tvrecord.xml has changed."));
    // A script before a backup: a second start hands the request over.
    DWORD exitCode = 0;
    ASSERT_TRUE(RunToExit("\"" + m_programPath + "\" /stayawake 60", exitCode));
    EXPECT_TRUE(WaitForLogLine(", as asked"));
    EXPECT_EQ(CountLines(Control(1001), " Staying awake until "), 1);
    EXPECT_EQ(Power(0), kDeny);
    EXPECT_TRUE(WaitForLogLine(" Query Suspend, deny because the PC was asked to stay awake"));
    ASSERT_TRUE(RunToExit("\"" + m_programPath + "\" /stayawake off", exitCode));
    EXPECT_TRUE(WaitForLogLine(" Sleep allowed again, as asked"));
    EXPECT_NE(Power(0), kDeny);
    EXPECT_TRUE(WaitForLogLine(" Query Suspend, OK"));
}
