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

    CComPtr<IUnknown> Create(const KnownClass& known) {
        CComPtr<IUnknown> object = m_module.Create(known.clsidText, known.hostIidText);
        EXPECT_NE(object.Get(), nullptr) << known.name;
        return object;
    }

    CExtensionModule m_module;
};

TEST_F(ExtensionClasses, AnswerTheBaseAndTheirHostInterfaceOnly) {
    for (const KnownClass& known : kKnownClasses) {
        CComPtr<IUnknown> object = Create(known);
        ASSERT_NE(object.Get(), nullptr);
        CComPtr<IUnknown> base;
        ASSERT_EQ(object->QueryInterface(IID_IUnknown, base.PutVoid()), S_OK);
        EXPECT_EQ(base.Get(), object.Get()) << known.name;
        CComPtr<IUnknown> host;
        ASSERT_EQ(base->QueryInterface(GuidFromText(known.hostIidText), host.PutVoid()), S_OK);
        EXPECT_EQ(host.Get(), object.Get()) << known.name;
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

        host.Reset();
        base.Reset();
        // The count itself is what is checked here: the last reference is
        // taken from its owner and given back by hand.
        EXPECT_EQ(object.Detach()->Release(), 0u) << known.name;
    }
}

TEST_F(ExtensionClasses, SearchSendsNothing) {
    CMessageRecorder recorder;
    CComPtr<IUnknown> search = Create(kSearch);
    ASSERT_NE(search.Get(), nullptr);
    EXPECT_EQ(CallSlot(search.Get(), 3, LONG{12}), E_NOTIMPL);
    search.Reset();
    EXPECT_EQ(recorder.Messages(), Messages{});
}

TEST_F(ExtensionClasses, PagesAndSkinControlsReportOnScreenActions) {
    CMessageRecorder recorder;
    CComPtr<IUnknown> page = Create(kPage);
    CComPtr<IUnknown> skinControl = Create(kSkinControl);
    ASSERT_TRUE(page && skinControl);
    EXPECT_EQ(CallSlot(page.Get(), 3, LONG{5}, LONG{6}), E_NOTIMPL);
    EXPECT_EQ(CallSlot(skinControl.Get(), 3, LONG{7}, LONG{8}), E_NOTIMPL);
    EXPECT_EQ(CallSlot(page.Get(), 3, LONG{0}, LONG{0}), E_NOTIMPL);
    page.Reset();
    skinControl.Reset();
    EXPECT_EQ(recorder.Messages(), (Messages{{WAKEUP_MSG_OSD_ACTION, 1},
                                             {WAKEUP_MSG_OSD_ACTION, 0},
                                             {WAKEUP_MSG_OSD_ACTION, 1}}));
}

TEST_F(ExtensionClasses, PlayerEventSendsTheEventThenThePlayerState) {
    CMessageRecorder recorder;
    CSlotPlayer hostPlayer(-3);
    CComPtr<IUnknown> player = Create(kPlayer);
    ASSERT_NE(player.Get(), nullptr);
    EXPECT_EQ(CallSlot(player.Get(), 5, hostPlayer.Object()), S_OK);
    EXPECT_EQ(CallSlot(player.Get(), 3, LONG{25}), E_NOTIMPL);
    EXPECT_EQ(recorder.Messages(),
              (Messages{{WAKEUP_MSG_PLAYER_EVENT, 25}, {WAKEUP_MSG_PLAYER_STATE, -3}}));
    // Before them, once per scheduler window: the host's process, whose end
    // the scheduler watches.
    EXPECT_EQ(recorder.HostProcesses(),
              std::vector<LPARAM>{static_cast<LPARAM>(GetCurrentProcessId())});
    EXPECT_EQ(hostPlayer.StateReads(), 1);
    EXPECT_EQ(hostPlayer.WrongSlotCalls(), 0);
    player.Reset();
}

TEST_F(ExtensionClasses, SelectionChangeSendsTheSelection) {
    CMessageRecorder recorder;
    CComPtr<IUnknown> player = Create(kPlayer);
    ASSERT_NE(player.Get(), nullptr);
    EXPECT_EQ(CallSlot(player.Get(), 4, LONG{7}), E_NOTIMPL);
    EXPECT_EQ(CallSlot(player.Get(), 4, LONG{-1}), E_NOTIMPL);
    player.Reset();
    EXPECT_EQ(recorder.Messages(),
              (Messages{{WAKEUP_MSG_SELECTION_CHANGED, 7}, {WAKEUP_MSG_SELECTION_CHANGED, -1}}));
}

TEST_F(ExtensionClasses, PlayerEventBeforeAnyHostPlayerSendsTheEventOnly) {
    CMessageRecorder recorder;
    CComPtr<IUnknown> player = Create(kPlayer);
    ASSERT_NE(player.Get(), nullptr);
    EXPECT_EQ(CallSlot(player.Get(), 3, LONG{26}), E_NOTIMPL);
    player.Reset();
    EXPECT_EQ(recorder.Messages(), (Messages{{WAKEUP_MSG_PLAYER_EVENT, 26}}));
}

TEST_F(ExtensionClasses, StoringAHostPlayerReleasesThePreviousOneAndDestructionTheLast) {
    CSlotPlayer first(1);
    CSlotPlayer second(2);
    CComPtr<IUnknown> player = Create(kPlayer);
    ASSERT_NE(player.Get(), nullptr);
    EXPECT_EQ(CallSlot(player.Get(), 5, first.Object()), S_OK);
    EXPECT_EQ(first.References(), 1);
    EXPECT_EQ(CallSlot(player.Get(), 5, second.Object()), S_OK);
    EXPECT_EQ(first.References(), 0);
    EXPECT_EQ(first.TimesFreed(), 1);
    EXPECT_EQ(second.References(), 1);

    CMessageRecorder recorder;
    EXPECT_EQ(CallSlot(player.Get(), 3, LONG{4}), E_NOTIMPL);
    EXPECT_EQ(recorder.Messages(),
              (Messages{{WAKEUP_MSG_PLAYER_EVENT, 4}, {WAKEUP_MSG_PLAYER_STATE, 2}}));
    EXPECT_EQ(first.StateReads(), 0);

    EXPECT_EQ(player.Detach()->Release(), 0u);
    EXPECT_EQ(second.References(), 0);
    EXPECT_EQ(second.TimesFreed(), 1);
}

TEST_F(ExtensionClasses, StoringTheSameHostPlayerAgainKeepsItAlive) {
    CSlotPlayer hostPlayer(9);
    CComPtr<IUnknown> player = Create(kPlayer);
    ASSERT_NE(player.Get(), nullptr);
    EXPECT_EQ(CallSlot(player.Get(), 5, hostPlayer.Object()), S_OK);
    EXPECT_EQ(CallSlot(player.Get(), 5, hostPlayer.Object()), S_OK);
    EXPECT_EQ(hostPlayer.References(), 1);
    EXPECT_EQ(hostPlayer.TimesFreed(), 0);
    player.Reset();
    EXPECT_EQ(hostPlayer.TimesFreed(), 1);
}

TEST_F(ExtensionClasses, StoringNoHostPlayerEmptiesTheStore) {
    CMessageRecorder recorder;
    CSlotPlayer hostPlayer(9);
    CComPtr<IUnknown> player = Create(kPlayer);
    ASSERT_NE(player.Get(), nullptr);
    EXPECT_EQ(CallSlot(player.Get(), 5, hostPlayer.Object()), S_OK);
    EXPECT_EQ(CallSlot(player.Get(), 5, static_cast<void*>(nullptr)), S_OK);
    EXPECT_EQ(hostPlayer.References(), 0);
    EXPECT_EQ(CallSlot(player.Get(), 3, LONG{25}), E_NOTIMPL);
    EXPECT_EQ(recorder.Messages(), (Messages{{WAKEUP_MSG_PLAYER_EVENT, 25}}));
    player.Reset();
    EXPECT_EQ(hostPlayer.TimesFreed(), 1);
}

} // namespace
