// The dialog window in this process, where window messages carry their
// answers whole (across processes Wine answers 0 to some of them).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/win32/support/WineTestSupport.h"
#include "wakeup/app/resource.h"
#include "wakeup/app/win32/WakeUpWindow.h"

using namespace winetest;

namespace {
// Runs the dialog on this thread while `use` works with its window on
// another, which closes the dialog when it is done.
void WithDialog(const std::function<void(HWND dialog)>& use) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    CTempDir temp;
    const std::string host = temp.Path() + "\\host";
    ASSERT_TRUE(CreateDirectoryA(host.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((host + "\\orvisawakeup").c_str(), nullptr));

    CWakeUpWindow window(GetModuleHandleA(nullptr), host + "\\orvisawakeup\\kelmarwakeup.exe");
    std::thread user([&] {
        if (HWND dialog = WaitForProcessWindow(GetCurrentProcessId(), "OrvisaWakeUp")) {
            use(dialog);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    });
    window.DoModal();
    user.join();
}
} // namespace

TEST(WakeUpWindow, AnswersTheDragIconQueryWithItsIcon) {
    LRESULT answer = 0;
    WithDialog([&](HWND dialog) { answer = SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0); });
    const HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(answer, reinterpret_cast<LRESULT>(icon));
}

TEST(WakeUpWindow, TestWakeItemAsksFirstAndCancelLeavesEverythingAsItWas) {
    std::string item, question;
    bool closed = false;
    std::vector<std::string> lines;
    WithDialog([&](HWND dialog) {
        char text[64] = {};
        GetMenuStringA(GetSystemMenu(dialog, FALSE), IDM_TESTWAKE, text, sizeof text, MF_BYCOMMAND);
        item = text;
        PostMessageA(dialog, WM_SYSCOMMAND, IDM_TESTWAKE, 0);
        HWND box = WaitForProcessWindow(GetCurrentProcessId(), "Test wake");
        if (!box)
            return;
        question = ItemText(box, 0xFFFF); // the message box's text
        PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
        closed = WaitFor([&] { return !IsWindow(box); });
        lines = ListBoxLines(GetDlgItem(dialog, IDC_LOG));
    });
    EXPECT_EQ(item, "Test wake...");
    EXPECT_NE(question.find("wakes by itself in two minutes"), std::string::npos) << question;
    EXPECT_TRUE(closed);
    // No test timer, no sleep, no line.
    HANDLE timer = OpenWaitableTimerA(SYNCHRONIZE, FALSE, WAKE_TEST_TIMER_NAME);
    EXPECT_EQ(timer, nullptr);
    if (timer)
        CloseHandle(timer);
    for (const std::string& line : lines)
        EXPECT_EQ(line.find("Wake test"), std::string::npos) << line;
}
