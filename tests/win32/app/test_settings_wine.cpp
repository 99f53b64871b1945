#include "tests/win32/support/SchedulerFixture.h"

#include <commctrl.h>

using namespace winetest;

namespace {
class Settings : public SchedulerTest {};

bool ShutdownPrivilegeEnabled(DWORD processId) {
    const CUniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    HANDLE token = nullptr;
    if (!process || !OpenProcessToken(process.Get(), TOKEN_QUERY, &token))
        return false;
    const CUniqueHandle owned(token);
    char buffer[4096];
    DWORD size = 0;
    LUID shutdown;
    if (!GetTokenInformation(token, TokenPrivileges, buffer, sizeof buffer, &size) ||
        !LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown))
        return false;
    const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer);
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const LUID_AND_ATTRIBUTES& p = privileges->Privileges[i];
        if (p.Luid.LowPart == shutdown.LowPart && p.Luid.HighPart == shutdown.HighPart)
            return (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return false;
}
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

TEST_F(Settings, MinutesAreStoredWhenFocusLeavesTheirFieldAndTheHiddenButtonAsksForSleep) {
    SetSettingDword("SuspendTime", 30);
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    SetWindowTextA(Control(1005), "7");
    PostMessageA(m_window, WM_COMMAND, MAKEWPARAM(1005, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(Control(1005)));
    EXPECT_TRUE(WaitFor([] { return GetSettingDword("SuspendTime") == 7; }));
    EXPECT_TRUE(WaitFor([&] { return SendMessageA(Control(1004), PBM_GETRANGE, FALSE, 0) == 7; }));

    // The request's first step is visible from here (Wine's sleep itself
    // does nothing): the process enables its shutdown privilege.
    EXPECT_FALSE(ShutdownPrivilegeEnabled(m_process.Id()));
    PostMessageA(m_window, WM_COMMAND, MAKEWPARAM(1002, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(1002)));
    EXPECT_TRUE(WaitFor([&] { return ShutdownPrivilegeEnabled(m_process.Id()); }));
}

TEST_F(Settings, OptionsFromTheSystemMenuStoreAMarginThatHoldsThePcAtOnce) {
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(WriteFileBytes(m_hostDir + "\\tvrecord.xml",
                               "<tvrecord><program start=\"" + ScheduleStartIn(40) +
                                   "\" freq=\"once\" channel=\"News\"/></tvrecord>"));
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine("Timer set to: "));
    // The default margin of 15 minutes holds nothing 40 minutes ahead.
    EXPECT_EQ(ItemText(m_window, 1009).find("Waiting for"), std::string::npos);

    PostMessageA(m_window, WM_SYSCOMMAND, 0x0080, 0);
    HWND options = WaitForProcessWindow(m_process.Id(), "kelmarwakeup Options");
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(ItemText(options, 1105), "15");
    SetDlgItemTextA(options, 1105, "2000");
    PostMessageA(options, WM_COMMAND, IDOK, 0);
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box), "Please enter an integer between 0 and 1440.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }));
    EXPECT_FALSE(HasSetting("SleepMarginMinutes"));

    SetDlgItemTextA(options, 1105, "60");
    PostMessageA(options, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(options); }));
    EXPECT_EQ(GetSettingDword("SleepMarginMinutes"), 60u);
    EXPECT_TRUE(WaitFor([&] {
        return ItemText(m_window, 1009).find("Waiting for the recording at") != std::string::npos;
    })) << ItemText(m_window, 1009);
}
