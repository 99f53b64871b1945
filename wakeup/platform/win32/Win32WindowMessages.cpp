#include "wakeup/platform/win32/Win32WindowMessages.h"

#include "wakeup/platform/win32/SystemLibrary.h"

namespace {
// MSGFLT_ALLOW: the message passes the window's filter.
constexpr DWORD kAllowMessage = 1;
} // namespace

CWin32WindowMessenger::CWin32WindowMessenger(ChangeFilterFn changeFilter)
    : m_changeFilter(changeFilter) {}

CWin32WindowMessenger::ChangeFilterFn CWin32WindowMessenger::LookUpChangeFilter() {
    return ProcAddress<ChangeFilterFn>(GetModuleHandleA("user32.dll"),
                                       "ChangeWindowMessageFilterEx");
}

bool CWin32WindowMessenger::SendToDialog(uint32_t message, uint32_t wParam, int32_t lParam) {
    HWND dialog = m_dialog;
    if (!dialog || !IsWindow(dialog))
        return false;
    SendMessageA(dialog, message, wParam, lParam);
    return true;
}

bool CWin32WindowMessenger::PostToDialog(uint32_t message, uint32_t wParam, int32_t lParam) {
    HWND dialog = m_dialog;
    return dialog && PostMessageA(dialog, message, wParam, lParam);
}

uint32_t CWin32WindowMessenger::AllowFromLowerIntegrity(uint32_t message) {
    if (!m_changeFilter)
        return 0; // before Windows 7: no filter per window
    if (!m_changeFilter(m_dialog, message, kAllowMessage, nullptr))
        return GetLastError();
    return 0;
}

bool CWin32ThreadWait::WaitUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
    // Nothing signals the condition, so it is looked at every few
    // milliseconds; in between, messages sent from other threads are
    // handled (a worker's log line goes to the dialog's list box by a send).
    // Posted messages, WM_QUIT among them, stay in the queue for the loop
    // that owns it.
    constexpr DWORD kSliceMs = 10;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done())
            return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return false;
        const DWORD slice =
            static_cast<DWORD>(deadline - now < kSliceMs ? deadline - now : kSliceMs);
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_SENDMESSAGE) == WAIT_OBJECT_0) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}

void CWin32ThreadWait::Pause(uint32_t ms) {
    if (m_stop)
        WaitForSingleObject(m_stop, ms);
    else
        Sleep(ms);
}
