#include "tests/win32/support/SchedulerFixture.h"

#include <commctrl.h>

using namespace winetest;

namespace {
class Startup : public SchedulerTest {};
} // namespace

TEST_F(Startup, ShowsItsDialogFromTheHostSubdirectoryAndEndsWhenClosed) {
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    EXPECT_TRUE(IsWindowVisible(m_window));
    EXPECT_EQ(ItemText(m_window, 1002), "Scan Recordings");
    EXPECT_FALSE(IsWindowVisible(Control(1002)));
    EXPECT_FALSE(IsWindowVisible(Control(1003)));
    EXPECT_TRUE(IsWindowVisible(Control(1001)));
    EXPECT_EQ(ItemText(m_window, 1008), "Hibernate instead of suspend");
    EXPECT_TRUE(GetWindowLongA(m_window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    PostMessageA(m_window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(m_process.WaitExit());
}

TEST_F(Startup, RunsFromAPathWithoutTheHostSubdirectoryAfterTheWatchFailure) {
    InstallProgram("OrvisaWakeUp"); // other letter case: not the host's subdirectory
    ASSERT_TRUE(m_process.Start("\"" + m_programPath + "\""));
    // No host directory, no watch: the message shows before the dialog.
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box).rfind("Failed to start watch:", 0), 0u) << MessageBoxText(box);
    EXPECT_EQ(FindProcessWindow(m_process.Id(), "OrvisaWakeUp"), nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    m_window = WaitForProcessWindow(m_process.Id(), "OrvisaWakeUp");
    ASSERT_NE(m_window, nullptr);
    EXPECT_TRUE(LogLines().empty()); // and no scan
    EXPECT_TRUE(m_process.Running());
    PostMessageA(m_window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(m_process.WaitExit());
}

TEST_F(Startup, SystemMenuHasTheAboutEntry) {
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    // Command 16 with low bits set still opens the about box.
    PostMessageA(m_window, WM_SYSCOMMAND, 0x13, 0);
    HWND about = WaitForProcessWindow(m_process.Id(), "About kelmarwakeup");
    ASSERT_NE(about, nullptr);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));
    EXPECT_TRUE(m_process.Running());
}

TEST_F(Startup, SecondStartBringsTheRunningSchedulerBackAndEnds) {
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    // Until it takes: the dialog may still be showing itself.
    ASSERT_TRUE(WaitFor([&] {
        ShowWindow(m_window, SW_MINIMIZE);
        return IsIconic(m_window) != FALSE;
    }));

    CProcess second;
    ASSERT_TRUE(second.Start("\"" + m_programPath + "\""));
    EXPECT_TRUE(second.WaitExit());
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(m_window); })) << "not brought back";
    EXPECT_TRUE(m_process.Running());
    int schedulers = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", "OrvisaWakeUp"); w;
         w = FindWindowExA(nullptr, w, "#32770", "OrvisaWakeUp"))
        ++schedulers;
    EXPECT_EQ(schedulers, 1);
}
