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

bool CWin32Session::MillisecondsSinceInput(uint32_t& ms) {
    LASTINPUTINFO input{};
    input.cbSize = sizeof input;
    if (!GetLastInputInfo(&input))
        return false;
    // Tick counts wrap after 49 days; the difference does not care.
    ms = GetTickCount() - input.dwTime;
    return true;
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
