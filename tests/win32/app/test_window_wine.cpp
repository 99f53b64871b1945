// The dialog window in this process, where window messages carry their
// answers whole (across processes Wine answers 0 to some of them).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <thread>

#include "tests/win32/support/WineTestSupport.h"
#include "wakeup/app/resource.h"
#include "wakeup/app/win32/WakeUpWindow.h"

using namespace winetest;

TEST(WakeUpWindow, AnswersTheDragIconQueryWithItsIcon) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CTempDir temp;
    const std::string host = temp.Path() + "\\host";
    ASSERT_TRUE(CreateDirectoryA(host.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((host + "\\orvisawakeup").c_str(), nullptr));

    HINSTANCE instance = GetModuleHandleA(nullptr);
    CWakeUpWindow window(instance, host + "\\orvisawakeup\\kelmarwakeup.exe");
    LRESULT answer = 0;
    std::thread asker([&] {
        if (HWND dialog = WaitForProcessWindow(GetCurrentProcessId(), "OrvisaWakeUp")) {
            answer = SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    window.DoModal();
    asker.join();
    const HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(answer, reinterpret_cast<LRESULT>(icon));
}
