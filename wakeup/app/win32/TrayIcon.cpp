#include "wakeup/app/win32/TrayIcon.h"

#include <shellapi.h>

#include "wakeup/platform/win32/SystemLibrary.h"

namespace {
// The shell copies the icon and its text: nothing of its library is needed
// between the calls.
BOOL NotifyIcon(DWORD message, NOTIFYICONDATAA& data) {
    const CBorrowedLibrary shell(L"shell32.dll");
    const auto notify = shell.Get<decltype(&Shell_NotifyIconA)>("Shell_NotifyIconA");
    return notify && notify(message, &data);
}
} // namespace

NOTIFYICONDATAA CTrayIcon::Data(UINT flags, const std::string& tip) const {
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = m_window;
    data.uID = 1;
    data.uFlags = flags;
    data.uCallbackMessage = m_callbackMessage;
    data.hIcon = m_icon;
    // The tooltip holds at most 127 characters; a longer one is cut.
    lstrcpynA(data.szTip, tip.c_str(), sizeof data.szTip);
    return data;
}

bool CTrayIcon::Add(HWND window, HICON icon, const std::string& tip) {
    m_window = window;
    m_icon = icon;
    m_tip = tip;
    NOTIFYICONDATAA data = Data(NIF_ICON | NIF_TIP | NIF_MESSAGE, tip);
    m_shown = NotifyIcon(NIM_ADD, data) != FALSE;
    return m_shown;
}

void CTrayIcon::SetTip(const std::string& tip) {
    m_tip = tip;
    if (!m_shown)
        return;
    NOTIFYICONDATAA data = Data(NIF_TIP, tip);
    NotifyIcon(NIM_MODIFY, data);
}

void CTrayIcon::Remove() {
    if (!m_shown)
        return;
    NOTIFYICONDATAA data = Data(0, std::string());
    NotifyIcon(NIM_DELETE, data);
    m_shown = false;
}

void CTrayIcon::AddAgain() {
    if (m_shown)
        Add(m_window, m_icon, m_tip);
}
