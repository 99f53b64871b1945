#include "wakeup/platform/win32/Win32Session.h"

#include <wtsapi32.h>

#include <string>

namespace {
// The mark of a session's scheduler that records; the session's number
// makes it one per session.
std::string MarkName(DWORD session) {
    return "Global\\KelmarWakeUp.Recording." + std::to_string(session);
}

DWORD OwnSession() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return session;
}
} // namespace

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

void CWin32Session::SetRecordingMark(bool recording) {
    if (!recording) {
        m_mark.Reset();
        return;
    }
    if (!m_mark)
        m_mark.Reset(CreateEventA(nullptr, TRUE, FALSE, MarkName(OwnSession()).c_str()));
}

bool CWin32Session::OtherSessionRecording() {
    WTS_SESSION_INFOA* sessions = nullptr;
    DWORD count = 0;
    if (!WTSEnumerateSessionsA(WTS_CURRENT_SERVER_HANDLE, 0, 1, &sessions, &count))
        return false;
    const CUniqueWtsMemory owned(sessions);
    const DWORD own = OwnSession();
    for (DWORD i = 0; i < count; ++i) {
        if (sessions[i].SessionId == own)
            continue;
        // Another user's object opens only far enough to say that it
        // exists: access denied is as good as a handle.
        const CUniqueHandle mark(
            OpenEventA(SYNCHRONIZE, FALSE, MarkName(sessions[i].SessionId).c_str()));
        if (mark || GetLastError() == ERROR_ACCESS_DENIED)
            return true;
    }
    return false;
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
