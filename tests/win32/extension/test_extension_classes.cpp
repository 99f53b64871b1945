// The four extension classes as the host calls them, slot by slot, with a
// window of the scheduler's title in this process recording what they send.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <vector>

#include "common/WakeupMessages.h"
#include "tests/win32/extension/ExtensionModule.h"
#include "tests/win32/extension/KnownClasses.h"
#include "tests/win32/extension/MessageRecorder.h"
#include "tests/win32/extension/SlotCalls.h"

namespace {

const KnownClass& kSearch = kKnownClasses[0];
const KnownClass& kPage = kKnownClasses[1];
const KnownClass& kSkinControl = kKnownClasses[2];
const KnownClass& kPlayer = kKnownClasses[3];

typedef std::vector<RecordedMessage> Messages;

class ExtensionClasses : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_module.Loaded());
        // Another window of the title would take the messages.
        ASSERT_EQ(FindWindowA(nullptr, WAKEUP_WINDOW_TITLE), nullptr);
    }

    void TearDown() override { EXPECT_EQ(m_module.CanUnloadNow(), S_OK); }

    IUnknown* Create(const KnownClass& known) {
        IUnknown* object = m_module.Create(known.clsidText, known.hostIidText);
        EXPECT_NE(object, nullptr) << known.name;
        return object;
    }

    CExtensionModule m_module;
};

TEST_F(ExtensionClasses, AnswerTheBaseAndTheirHostInterfaceOnly) {
    for (const KnownClass& known : kKnownClasses) {
        IUnknown* object = Create(known);
        ASSERT_NE(object, nullptr);
        IUnknown* base = nullptr;
        ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&base)), S_OK);
        EXPECT_EQ(base, object) << known.name;
        IUnknown* host = nullptr;
        ASSERT_EQ(
            base->QueryInterface(GuidFromText(known.hostIidText), reinterpret_cast<void**>(&host)),
            S_OK);
        EXPECT_EQ(host, object) << known.name;
        // Four references now: creation, base, host, and this one.
        EXPECT_EQ(object->AddRef(), 4u) << known.name;
        EXPECT_EQ(object->Release(), 3u) << known.name;

        for (const KnownClass& other : kKnownClasses) {
            if (&other == &known)
                continue;
            void* refused = reinterpret_cast<void*>(0x1);
            EXPECT_EQ(object->QueryInterface(GuidFromText(other.hostIidText), &refused),
                      E_NOINTERFACE)
                << known.name << " as " << other.name;
            EXPECT_EQ(refused, nullptr);
        }
        void* refused = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(object->QueryInterface(IID_IDispatch, &refused), E_NOINTERFACE);
        EXPECT_EQ(object->QueryInterface(IID_IDispatch, nullptr), E_POINTER);
        EXPECT_EQ(refused, nullptr);

        host->Release();
        base->Release();
        EXPECT_EQ(object->Release(), 0u) << known.name;
    }
}

TEST_F(ExtensionClasses, SearchSendsNothing) {
    CMessageRecorder recorder;
    IUnknown* search = Create(kSearch);
    ASSERT_NE(search, nullptr);
    EXPECT_EQ(CallSlot(search, 3, LONG{12}), E_NOTIMPL);
    search->Release();
    EXPECT_EQ(recorder.Messages(), Messages{});
}

TEST_F(ExtensionClasses, PagesAndSkinControlsReportOnScreenActions) {
    CMessageRecorder recorder;
    IUnknown* page = Create(kPage);
    IUnknown* skinControl = Create(kSkinControl);
    ASSERT_TRUE(page && skinControl);
    EXPECT_EQ(CallSlot(page, 3, LONG{5}, LONG{6}), E_NOTIMPL);
    EXPECT_EQ(CallSlot(skinControl, 3, LONG{7}, LONG{8}), E_NOTIMPL);
    EXPECT_EQ(CallSlot(page, 3, LONG{0}, LONG{0}), E_NOTIMPL);
    page->Release();
    skinControl->Release();
    EXPECT_EQ(recorder.Messages(), (Messages{{WAKEUP_MSG_OSD_ACTION, 1},
                                             {WAKEUP_MSG_OSD_ACTION, 0},
                                             {WAKEUP_MSG_OSD_ACTION, 1}}));
}

TEST_F(ExtensionClasses, PlayerEventSendsTheEventThenThePlayerState) {
    CMessageRecorder recorder;
    CSlotPlayer hostPlayer(-3);
    IUnknown* player = Create(kPlayer);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(CallSlot(player, 5, hostPlayer.Object()), S_OK);
    EXPECT_EQ(CallSlot(player, 3, LONG{25}), E_NOTIMPL);
    EXPECT_EQ(recorder.Messages(),
              (Messages{{WAKEUP_MSG_PLAYER_EVENT, 25}, {WAKEUP_MSG_PLAYER_STATE, -3}}));
    EXPECT_EQ(hostPlayer.StateReads(), 1);
    EXPECT_EQ(hostPlayer.WrongSlotCalls(), 0);
    player->Release();
}

TEST_F(ExtensionClasses, SelectionChangeSendsTheSelection) {
    CMessageRecorder recorder;
    IUnknown* player = Create(kPlayer);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(CallSlot(player, 4, LONG{7}), E_NOTIMPL);
    EXPECT_EQ(CallSlot(player, 4, LONG{-1}), E_NOTIMPL);
    player->Release();
    EXPECT_EQ(recorder.Messages(),
              (Messages{{WAKEUP_MSG_SELECTION_CHANGED, 7}, {WAKEUP_MSG_SELECTION_CHANGED, -1}}));
}

TEST_F(ExtensionClasses, PlayerEventBeforeAnyHostPlayerSendsTheEventOnly) {
    CMessageRecorder recorder;
    IUnknown* player = Create(kPlayer);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(CallSlot(player, 3, LONG{26}), E_NOTIMPL);
    player->Release();
    EXPECT_EQ(recorder.Messages(), (Messages{{WAKEUP_MSG_PLAYER_EVENT, 26}}));
}

TEST_F(ExtensionClasses, StoringAHostPlayerReleasesThePreviousOneAndDestructionTheLast) {
    CSlotPlayer first(1);
    CSlotPlayer second(2);
    IUnknown* player = Create(kPlayer);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(CallSlot(player, 5, first.Object()), S_OK);
    EXPECT_EQ(first.References(), 1);
    EXPECT_EQ(CallSlot(player, 5, second.Object()), S_OK);
    EXPECT_EQ(first.References(), 0);
    EXPECT_EQ(first.TimesFreed(), 1);
    EXPECT_EQ(second.References(), 1);

    CMessageRecorder recorder;
    EXPECT_EQ(CallSlot(player, 3, LONG{4}), E_NOTIMPL);
    EXPECT_EQ(recorder.Messages(),
              (Messages{{WAKEUP_MSG_PLAYER_EVENT, 4}, {WAKEUP_MSG_PLAYER_STATE, 2}}));
    EXPECT_EQ(first.StateReads(), 0);

    EXPECT_EQ(player->Release(), 0u);
    EXPECT_EQ(second.References(), 0);
    EXPECT_EQ(second.TimesFreed(), 1);
}

TEST_F(ExtensionClasses, StoringTheSameHostPlayerAgainKeepsItAlive) {
    CSlotPlayer hostPlayer(9);
    IUnknown* player = Create(kPlayer);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(CallSlot(player, 5, hostPlayer.Object()), S_OK);
    EXPECT_EQ(CallSlot(player, 5, hostPlayer.Object()), S_OK);
    EXPECT_EQ(hostPlayer.References(), 1);
    EXPECT_EQ(hostPlayer.TimesFreed(), 0);
    player->Release();
    EXPECT_EQ(hostPlayer.TimesFreed(), 1);
}

TEST_F(ExtensionClasses, StoringNoHostPlayerEmptiesTheStore) {
    CMessageRecorder recorder;
    CSlotPlayer hostPlayer(9);
    IUnknown* player = Create(kPlayer);
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(CallSlot(player, 5, hostPlayer.Object()), S_OK);
    EXPECT_EQ(CallSlot(player, 5, static_cast<void*>(nullptr)), S_OK);
    EXPECT_EQ(hostPlayer.References(), 0);
    EXPECT_EQ(CallSlot(player, 3, LONG{25}), E_NOTIMPL);
    EXPECT_EQ(recorder.Messages(), (Messages{{WAKEUP_MSG_PLAYER_EVENT, 25}}));
    player->Release();
    EXPECT_EQ(hostPlayer.TimesFreed(), 1);
}

} // namespace
