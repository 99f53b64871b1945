#include "wakeup/dirwatch/win32/DelayedNotificationPoster.h"

#include <process.h>

#include <mutex>

#include "wakeup/dirwatch/win32/DelayedDirectoryChangeHandler.h"

namespace {

const char kClassName[] = "Delayed_Message_Sender";
const char kWindowName[] = "DelayedWnd";
// Asks the window to destroy itself: a window can only be destroyed by its
// own thread, and the last notifier may go on another one.
constexpr UINT WM_DELAYED_DESTROY = WM_APP + 0x401;

struct SharedWindow {
    std::mutex lock;
    LONG users = 0;
    HWND window = nullptr;
    BOOL classRegistered = FALSE;
    DWORD createError = 0;
};
SharedWindow& Window() {
    static SharedWindow shared;
    return shared;
}

struct SharedThread {
    std::mutex lock;
    LONG users = 0;
    HANDLE thread = nullptr;
    unsigned threadId = 0;
};
SharedThread& Thread() {
    static SharedThread shared;
    return shared;
}

// Runs and frees one queued notification; nothing thrown by a callback
// leaves the delivery loop, so later notifications are still delivered.
void DispatchQueued(LPARAM lParam) {
    auto* notification = reinterpret_cast<CDirChangeNotification*>(lParam);
    try {
        notification->Dispatch();
    } catch (...) {
    }
    delete notification;
}

DWORD ErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

} // namespace

CDelayedNotificationWindow::CDelayedNotificationWindow() {
    SharedWindow& shared = Window();
    std::lock_guard<std::mutex> guard(shared.lock);
    ++shared.users;
    // A window whose destruction was asked for but has not happened yet is
    // taken over rather than replaced (it would never be destroyed).
    if (!shared.window || !IsWindow(shared.window))
        shared.window = CreateNotificationWindow();
    if (!shared.window)
        m_dwStartError = shared.createError;
}

CDelayedNotificationWindow::~CDelayedNotificationWindow() {
    SharedWindow& shared = Window();
    HWND destroy = nullptr;
    {
        std::lock_guard<std::mutex> guard(shared.lock);
        if (--shared.users > 0 || !shared.window)
            return;
        shared.users = 0;
        if (GetWindowThreadProcessId(shared.window, nullptr) == GetCurrentThreadId()) {
            destroy = shared.window;
            shared.window = nullptr;
        } else {
            PostMessageA(shared.window, WM_DELAYED_DESTROY, 0, 0);
        }
    }
    if (destroy)
        DestroyWindow(destroy);
}

BOOL CDelayedNotificationWindow::RegisterWindowClass() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0;
}

HWND CDelayedNotificationWindow::CreateNotificationWindow() {
    SharedWindow& shared = Window();
    if (!shared.classRegistered) {
        shared.classRegistered = RegisterWindowClass();
        if (!shared.classRegistered) {
            shared.createError = ErrorOr(ERROR_CANNOT_MAKE);
            return nullptr;
        }
    }
    HWND window = CreateWindowExA(0, kClassName, kWindowName, 0, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    shared.createError = window ? 0 : ErrorOr(ERROR_CANNOT_MAKE);
    return window;
}

LRESULT CALLBACK CDelayedNotificationWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                        LPARAM lParam) {
    if (message == WM_DELAYED_NOTIFICATION && lParam) {
        DispatchQueued(lParam);
        return 0;
    }
    if (message == WM_DELAYED_DESTROY) {
        SharedWindow& shared = Window();
        bool destroy = false;
        {
            std::lock_guard<std::mutex> guard(shared.lock);
            // A new notifier may have taken the window over meanwhile.
            if (shared.users == 0 && shared.window == window) {
                shared.window = nullptr;
                destroy = true;
            }
        }
        if (destroy)
            DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL CDelayedNotificationWindow::PostNotification(CDirChangeNotification* notification) {
    HWND window;
    {
        SharedWindow& shared = Window();
        std::lock_guard<std::mutex> guard(shared.lock);
        window = shared.window;
    }
    return window &&
           PostMessageA(window, WM_DELAYED_NOTIFICATION, 0, reinterpret_cast<LPARAM>(notification));
}

CDelayedNotificationThread::CDelayedNotificationThread()
    : m_hStartedEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    SharedThread& shared = Thread();
    std::lock_guard<std::mutex> guard(shared.lock);
    ++shared.users;
    // Started again when an earlier start failed, not only by the first user.
    if (!shared.thread && !StartThread())
        m_dwStartError = ErrorOr(ERROR_MAX_THRDS_REACHED);
}

CDelayedNotificationThread::~CDelayedNotificationThread() {
    SharedThread& shared = Thread();
    bool stop = false;
    {
        std::lock_guard<std::mutex> guard(shared.lock);
        if (--shared.users <= 0) {
            shared.users = 0;
            stop = true;
        }
    }
    if (stop)
        StopThread();
}

BOOL CDelayedNotificationThread::StartThread() {
    // Called with the shared lock held.
    SharedThread& shared = Thread();
    if (!m_hStartedEvent)
        return FALSE;
    unsigned id = 0;
    const uintptr_t thread = _beginthreadex(nullptr, 0, ThreadFunc, this, 0, &id);
    if (!thread)
        return FALSE;
    shared.thread = reinterpret_cast<HANDLE>(thread);
    shared.threadId = id;
    // The thread has a message queue once this is set, so that no posted
    // notification is refused.
    WaitForSingleObject(m_hStartedEvent.Get(), INFINITE);
    return TRUE;
}

void CDelayedNotificationThread::StopThread() {
    SharedThread& shared = Thread();
    CUniqueHandle thread;
    unsigned id;
    {
        std::lock_guard<std::mutex> guard(shared.lock);
        if (shared.users > 0 || !shared.thread)
            return; // taken over by a new notifier meanwhile
        thread.Reset(shared.thread);
        id = shared.threadId;
        shared.thread = nullptr;
        shared.threadId = 0;
    }
    PostThreadMessageA(id, WM_QUIT, 0, 0);
    // The last notifier can go on the notification thread itself (its last
    // notification released it): it ends when it returns to its loop.
    if (GetCurrentThreadId() != id)
        WaitForSingleObject(thread.Get(), INFINITE);
}

unsigned __stdcall CDelayedNotificationThread::ThreadFunc(void* param) {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // makes the queue
    SetEvent(static_cast<CDelayedNotificationThread*>(param)->m_hStartedEvent.Get());
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_DELAYED_NOTIFICATION && msg.lParam)
            DispatchQueued(msg.lParam);
    }
    return 0;
}

BOOL CDelayedNotificationThread::PostNotification(CDirChangeNotification* notification) {
    unsigned id;
    {
        SharedThread& shared = Thread();
        std::lock_guard<std::mutex> guard(shared.lock);
        id = shared.threadId;
    }
    return id && PostThreadMessageA(id, WM_DELAYED_NOTIFICATION, 0,
                                    reinterpret_cast<LPARAM>(notification));
}
