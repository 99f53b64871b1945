#include "wakeup/dirwatch/win32/DelayedNotificationPoster.h"

#include <process.h>

#include <mutex>

#include "wakeup/dirwatch/win32/LastError.h"

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
};
SharedWindow& WindowShared() {
    static SharedWindow shared;
    return shared;
}

struct SharedThread {
    std::mutex lock;
    LONG users = 0;
    CUniqueHandle thread;
    unsigned threadId = 0;
    HWND window = nullptr; // made and destroyed by the thread itself
};
SharedThread& ThreadShared() {
    static SharedThread shared;
    return shared;
}

// Runs and frees one queued call; nothing thrown by a callback leaves the
// delivery loop, so later notifications are still delivered.
void DispatchQueued(LPARAM lParam) {
    std::unique_ptr<DelayedCall> call(reinterpret_cast<DelayedCall*>(lParam));
    try {
        (*call)();
    } catch (...) {
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DELAYED_NOTIFICATION && lParam) {
        DispatchQueued(lParam);
        return 0;
    }
    if (message == WM_DELAYED_DESTROY) {
        SharedWindow& shared = WindowShared();
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

// The class is registered again after a failed attempt, not only once.
DWORD RegisterWindowClass() {
    static std::mutex lock;
    static bool registered = false;
    std::lock_guard<std::mutex> guard(lock);
    if (registered)
        return 0;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassA(&windowClass))
        return LastErrorOr(ERROR_CANNOT_MAKE);
    registered = true;
    return 0;
}

// The window belongs to the calling thread. error is 0 when it was made.
HWND CreateNotificationWindow(HWND parent, DWORD& error) {
    error = RegisterWindowClass();
    if (error)
        return nullptr;
    HWND window = CreateWindowExA(0, kClassName, kWindowName, 0, 0, 0, 0, 0, parent, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (!window)
        error = LastErrorOr(ERROR_CANNOT_MAKE);
    return window;
}

struct NotificationThreadStart {
    CUniqueHandle started;
    HWND window = nullptr;
    DWORD error = 0;
};

} // namespace

bool CDelayedNotificationPoster::PostCall(std::unique_ptr<DelayedCall>& call) {
    const HWND window = Window();
    if (!window ||
        !PostMessageA(window, WM_DELAYED_NOTIFICATION, 0, reinterpret_cast<LPARAM>(call.get())))
        return false;
    call.release(); // now owned by the queued message
    return true;
}

CDelayedNotificationWindow::CDelayedNotificationWindow() {
    SharedWindow& shared = WindowShared();
    std::lock_guard<std::mutex> guard(shared.lock);
    ++shared.users;
    // A window whose destruction was asked for but has not happened yet is
    // taken over rather than replaced (it would never be destroyed).
    if (!shared.window || !IsWindow(shared.window))
        shared.window = CreateNotificationWindow(nullptr, m_dwStartError);
}

CDelayedNotificationWindow::~CDelayedNotificationWindow() {
    SharedWindow& shared = WindowShared();
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

HWND CDelayedNotificationWindow::Window() const {
    SharedWindow& shared = WindowShared();
    std::lock_guard<std::mutex> guard(shared.lock);
    return shared.window;
}

CDelayedNotificationThread::CDelayedNotificationThread() {
    SharedThread& shared = ThreadShared();
    std::lock_guard<std::mutex> guard(shared.lock);
    ++shared.users;
    // Started again when an earlier start failed, not only by the first user.
    if (!shared.thread)
        m_dwStartError = StartThread();
}

CDelayedNotificationThread::~CDelayedNotificationThread() {
    SharedThread& shared = ThreadShared();
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

HWND CDelayedNotificationThread::Window() const {
    SharedThread& shared = ThreadShared();
    std::lock_guard<std::mutex> guard(shared.lock);
    return shared.window;
}

DWORD CDelayedNotificationThread::StartThread() {
    // Called with the shared lock held; the thread does not take it.
    SharedThread& shared = ThreadShared();
    NotificationThreadStart start;
    start.started.Reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    if (!start.started)
        return LastErrorOr(ERROR_OUTOFMEMORY);
    unsigned id = 0;
    CUniqueHandle thread(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadFunc, &start, 0, &id)));
    if (!thread)
        return LastErrorOr(ERROR_MAX_THRDS_REACHED);
    // Once this is set the window exists (or the thread has ended), so that
    // no posted notification is refused.
    WaitForSingleObject(start.started.Get(), INFINITE);
    if (!start.window) {
        WaitForSingleObject(thread.Get(), INFINITE);
        return start.error;
    }
    shared.thread = std::move(thread);
    shared.threadId = id;
    shared.window = start.window;
    return 0;
}

void CDelayedNotificationThread::StopThread() {
    SharedThread& shared = ThreadShared();
    CUniqueHandle thread;
    unsigned id;
    {
        std::lock_guard<std::mutex> guard(shared.lock);
        if (shared.users > 0 || !shared.thread)
            return; // taken over by a new notifier meanwhile
        thread = std::move(shared.thread);
        id = shared.threadId;
        shared.threadId = 0;
        shared.window = nullptr;
    }
    PostThreadMessageA(id, WM_QUIT, 0, 0);
    // The last notifier can go on the notification thread itself (its last
    // notification released it): it ends when it returns to its loop.
    if (GetCurrentThreadId() != id)
        WaitForSingleObject(thread.Get(), INFINITE);
}

unsigned __stdcall CDelayedNotificationThread::ThreadFunc(void* param) {
    auto* start = static_cast<NotificationThreadStart*>(param);
    // Message-only: the window exists only to be posted to and dispatched.
    const HWND window = CreateNotificationWindow(HWND_MESSAGE, start->error);
    start->window = window;
    SetEvent(start->started.Get()); // start is gone after this
    if (!window)
        return 0;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    DestroyWindow(window);
    return 0;
}
