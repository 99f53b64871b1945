#pragma once
// The two ways a queued callback reaches its delivery thread: the hidden
// window "DelayedWnd" of the thread that starts the watch, or a window of a
// private notification thread. All notifiers of one kind share one window,
// so notifications are delivered in the order they were posted. Both are
// windows so that any wait that dispatches messages on the delivery thread
// (a stop requested from a callback) also delivers the notifications.
#include <windows.h>

#include <functional>
#include <memory>

#include "common/win32/Owners.h"

// One queued callback: run on the delivery thread, then freed there with
// whatever it holds. The poster knows nothing of what it delivers.
using DelayedCall = std::function<void()>;

// wParam 0, lParam the address of the DelayedCall.
constexpr UINT WM_DELAYED_NOTIFICATION = WM_APP + 0x400;

class CDelayedNotificationPoster {
public:
    virtual ~CDelayedNotificationPoster() = default;
    // Takes the call over when it was queued; otherwise it stays with the
    // caller and the result is false.
    bool PostCall(std::unique_ptr<DelayedCall>& call);
    // 0 when notifications can be delivered; otherwise why not (the window or
    // the thread could not be made).
    DWORD GetStartError() const { return m_dwStartError; }

protected:
    virtual HWND Window() const = 0;

    DWORD m_dwStartError = 0;
};

class CDelayedNotificationWindow : public CDelayedNotificationPoster {
public:
    CDelayedNotificationWindow();
    ~CDelayedNotificationWindow() override;

private:
    HWND Window() const override;
};

class CDelayedNotificationThread : public CDelayedNotificationPoster {
public:
    CDelayedNotificationThread();
    ~CDelayedNotificationThread() override;

private:
    HWND Window() const override;
    static DWORD StartThread();
    static void StopThread();
    static unsigned __stdcall ThreadFunc(void* param);
};
