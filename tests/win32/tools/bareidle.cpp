// bareidle: the least that a program of the scheduler's kind keeps waiting
// while idle, so that the scheduler's idle cost can be read beside a floor:
// a dialog window and its message loop, a directory watch on a completion
// port with its waiting thread, a waking timer a year ahead with its waiting
// thread, and a one-minute periodic timer on a thread of its own.
//   bareidle <directory> <lifetime seconds> [/minimized]
// /minimized leaves the window minimised and hidden, as the scheduler is in
// the notification area. Prints "ready" once every wait is in place; ends
// when its window is closed or its lifetime has passed, whichever is first.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/win32/Owners.h"

namespace {
constexpr ULONG_PTR kWatchKey = 1;
constexpr ULONG_PTR kStopKey = 2;
constexpr LONGLONG kOneMinute = 60LL * 10000000LL; // in 100-ns units
constexpr LONGLONG kOneYear = 365LL * 24 * kOneMinute * 60;

// A dialog of no controls, made in memory: the window manager's part of a
// dialog program without the cost of any control.
struct alignas(4) BareDialog {
    DLGTEMPLATE head;
    WORD menu;
    WORD windowClass;
    WCHAR title[sizeof "bareidle"];
};
const BareDialog kDialog = {
    {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0, 200, 80}, 0, 0, L"bareidle"};

struct Waits {
    ULONGLONG deadline = 0; // GetTickCount64 at the end of the lifetime
    CUniqueHandle stop;     // manual reset: the program ends
    CUniqueHandle directory, port, wakeTimer, minuteTimer;
    OVERLAPPED overlapped{};
    alignas(DWORD) BYTE changes[4096];
};
Waits g_waits;

DWORD Remaining() {
    const ULONGLONG now = GetTickCount64();
    return now < g_waits.deadline ? static_cast<DWORD>(g_waits.deadline - now) : 0;
}

bool ReadChanges() {
    return ReadDirectoryChangesW(g_waits.directory.Get(), g_waits.changes, sizeof g_waits.changes,
                                 FALSE,
                                 FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE,
                                 nullptr, &g_waits.overlapped, nullptr) != FALSE;
}

DWORD WINAPI WatchThread(void*) {
    for (;;) {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* done = nullptr;
        const BOOL ok =
            GetQueuedCompletionStatus(g_waits.port.Get(), &bytes, &key, &done, Remaining());
        if ((!ok && !done) || key != kWatchKey || !ReadChanges())
            return 0;
    }
}

// Waits on a timer until the program ends; a periodic timer is waited on again.
DWORD WINAPI TimerThread(void* timer) {
    const HANDLE both[] = {g_waits.stop.Get(), static_cast<HANDLE>(timer)};
    while (WaitForMultipleObjects(2, both, FALSE, Remaining()) == WAIT_OBJECT_0 + 1) {
    }
    return 0;
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        return TRUE;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

bool SetTimerIn(HANDLE timer, LONGLONG relative, LONG periodMs, BOOL resume) {
    LARGE_INTEGER due;
    due.QuadPart = -relative;
    return SetWaitableTimer(timer, &due, periodMs, nullptr, nullptr, resume) != FALSE;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const bool minimized = argc > 3 && std::strcmp(argv[3], "/minimized") == 0;
    g_waits.deadline = GetTickCount64() + 1000ULL * std::strtoul(argv[2], nullptr, 10);
    g_waits.stop.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_waits.wakeTimer.Reset(CreateWaitableTimerA(nullptr, TRUE, nullptr));
    g_waits.minuteTimer.Reset(CreateWaitableTimerA(nullptr, FALSE, nullptr));
    g_waits.directory.Reset(CreateFileA(
        argv[1], FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!g_waits.stop || !g_waits.wakeTimer || !g_waits.minuteTimer || !g_waits.directory) {
        std::printf("bareidle: cannot make its objects: error %lu\n", GetLastError());
        return 1;
    }
    g_waits.port.Reset(CreateIoCompletionPort(g_waits.directory.Get(), nullptr, kWatchKey, 1));
    // The waking timer: set with resume, as a wake timer is, far enough
    // ahead never to fire while measured.
    if (!g_waits.port || !ReadChanges() ||
        !SetTimerIn(g_waits.wakeTimer.Get(), kOneYear, 0, TRUE) ||
        !SetTimerIn(g_waits.minuteTimer.Get(), kOneMinute, 60 * 1000, FALSE)) {
        std::printf("bareidle: cannot start its waits: error %lu\n", GetLastError());
        return 1;
    }
    CUniqueHandle threads[] = {
        CUniqueHandle(CreateThread(nullptr, 0, WatchThread, nullptr, 0, nullptr)),
        CUniqueHandle(CreateThread(nullptr, 0, TimerThread, g_waits.wakeTimer.Get(), 0, nullptr)),
        CUniqueHandle(
            CreateThread(nullptr, 0, TimerThread, g_waits.minuteTimer.Get(), 0, nullptr))};
    HWND window = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &kDialog.head, nullptr,
                                             DialogProc, 0);
    if (!window || !threads[0] || !threads[1] || !threads[2]) {
        std::printf("bareidle: cannot start: error %lu\n", GetLastError());
        SetEvent(g_waits.stop.Get());
        PostQueuedCompletionStatus(g_waits.port.Get(), 0, kStopKey, nullptr);
        return 1;
    }
    if (minimized) {
        ShowWindow(window, SW_SHOWMINNOACTIVE);
        ShowWindow(window, SW_HIDE);
    } else {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    std::printf("ready\n");
    std::fflush(stdout);

    // The message loop, bounded by the lifetime.
    bool quit = false;
    while (!quit && MsgWaitForMultipleObjects(0, nullptr, FALSE, Remaining(), QS_ALLINPUT) ==
                        WAIT_OBJECT_0) {
        MSG msg;
        while (!quit && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            quit = msg.message == WM_QUIT;
            if (!quit && !IsDialogMessageA(window, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    if (IsWindow(window))
        DestroyWindow(window);
    SetEvent(g_waits.stop.Get());
    PostQueuedCompletionStatus(g_waits.port.Get(), 0, kStopKey, nullptr);
    for (const CUniqueHandle& thread : threads)
        WaitForSingleObject(thread.Get(), 5000);
    return 0;
}
