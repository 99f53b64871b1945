#include "wakeup/platform/win32/Win32Session.h"

#include <wtsapi32.h>

bool CWin32Session::AtConsole() {
    DWORD session = 0;
    // Without an answer the session counts as the console's, as on a PC
    // without fast user switching.
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session))
        return true;
    return session == WTSGetActiveConsoleSessionId();
}

void CWin32Session::Attach(HWND window) {
    if (WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION))
        m_window = window;
}

void CWin32Session::Detach() {
    if (m_window)
        WTSUnRegisterSessionNotification(m_window);
    m_window = nullptr;
}
