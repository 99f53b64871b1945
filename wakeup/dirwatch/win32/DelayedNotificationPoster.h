#pragma once
// The two ways a queued callback reaches its delivery thread: the hidden
// window "DelayedWnd" of the thread that starts the watch, or a private
// notification thread. All notifiers of one kind share one window or thread,
// so notifications are delivered in the order they were posted.
#include <windows.h>

#include "common/win32/Owners.h"

class CDirChangeNotification;

// wParam 0, lParam the notification's address.
constexpr UINT WM_DELAYED_NOTIFICATION = WM_APP + 0x400;

class CDelayedNotificationPoster {
public:
    virtual ~CDelayedNotificationPoster() = default;
    // FALSE when the notification was not queued (the caller still owns it).
    virtual BOOL PostNotification(CDirChangeNotification* notification) = 0;
    // 0 when notifications can be delivered; otherwise why not (the window or
    // the thread could not be made).
    DWORD GetStartError() const { return m_dwStartError; }

protected:
    DWORD m_dwStartError = 0;
};

class CDelayedNotificationWindow : public CDelayedNotificationPoster {
public:
    CDelayedNotificationWindow();
    ~CDelayedNotificationWindow() override;
    BOOL PostNotification(CDirChangeNotification* notification) override;

private:
    static BOOL RegisterWindowClass();
    static HWND CreateNotificationWindow();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

class CDelayedNotificationThread : public CDelayedNotificationPoster {
public:
    CDelayedNotificationThread();
    ~CDelayedNotificationThread() override;
    BOOL PostNotification(CDirChangeNotification* notification) override;

private:
    BOOL StartThread();
    static void StopThread();
    static unsigned __stdcall ThreadFunc(void* param);

    CUniqueHandle m_hStartedEvent;
};
