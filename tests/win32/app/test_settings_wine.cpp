#include "tests/win32/support/SchedulerFixture.h"

#include <commctrl.h>

using namespace winetest;

namespace {
class Settings : public SchedulerTest {};
} // namespace

TEST_F(Settings, StoredSettingsAreShownInTheControls) {
    SetSettingDword("SuspendTime", 30);
    SetSettingString("SuspendText", "Sleeping in %d minutes");
    SetSettingDword("UseHibernate", 7);
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    EXPECT_EQ(ItemText(m_window, 1005), "30");
    EXPECT_EQ(ItemText(m_window, 1006), "Sleeping in %d minutes");
    EXPECT_EQ(SendMessageA(Control(1008), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(Control(1004), PBM_GETPOS, 0, 0), 30);
    EXPECT_EQ(SendMessageA(Control(1004), PBM_GETRANGE, FALSE, 0), 30);
}

TEST_F(Settings, EmptyKeyGivesTheDefaultWarningText) {
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    EXPECT_EQ(ItemText(m_window, 1005), "0");
    EXPECT_EQ(ItemText(m_window, 1006),
              "Use remote controle to cancel auto shutdown in %d minutes...");
    EXPECT_EQ(SendMessageA(Control(1008), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(HasSetting("SuspendText")); // loading writes nothing back
}

TEST_F(Settings, OverlongStoredTextGivesTheDefault) {
    SetSettingRaw("SuspendText", REG_SZ, std::string(256, 'x'));
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    EXPECT_EQ(ItemText(m_window, 1006),
              "Use remote controle to cancel auto shutdown in %d minutes...");
}

TEST_F(Settings, EveryKeystrokeInTheWarningTextIsStored) {
    SetSettingString("SuspendText", "abc");
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    HWND edit = Control(1006);
    SendMessageA(edit, EM_SETSEL, 3, 3);
    PostMessageA(edit, WM_CHAR, 'Z', 1);
    EXPECT_TRUE(WaitFor([] { return GetSettingString("SuspendText") == "abcZ"; }))
        << GetSettingString("SuspendText");
    PostMessageA(edit, WM_CHAR, 'Y', 1);
    EXPECT_TRUE(WaitFor([] { return GetSettingString("SuspendText") == "abcZY"; }));
}

TEST_F(Settings, HibernateClickWritesSuspendHibernateOnly) {
    SetSettingDword("UseHibernate", 0);
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    PostMessageA(Control(1008), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([] { return HasSetting("SuspendHibernate"); }));
    EXPECT_EQ(GetSettingDword("SuspendHibernate"), 1u);
    EXPECT_EQ(GetSettingDword("UseHibernate"), 0u);
}

TEST_F(Settings, EnterWithMinutesOutOfRangeShowsTheRangeMessageAndStaysOpen) {
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    SendMessageA(Control(1005), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("1000"));
    PostMessageA(m_window, WM_COMMAND, IDOK, 0);
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Please enter an integer between 0 and 999.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_TRUE(m_process.Running());
    EXPECT_TRUE(IsWindow(m_window));
}
