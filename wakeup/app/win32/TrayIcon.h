#pragma once
// The scheduler's icon in the notification area, while its window is
// minimised there instead of in the task bar.
#include <windows.h>
#include <shellapi.h>

#include <string>

class CTrayIcon {
public:
    // callbackMessage: what the window gets for the icon's clicks.
    explicit CTrayIcon(UINT callbackMessage) : m_callbackMessage(callbackMessage) {}
    ~CTrayIcon() { Remove(); }
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // False where there is no notification area (some desktops, Wine
    // without one): the window then stays in the task bar.
    bool Add(HWND window, HICON icon, const std::string& tip);
    void SetTip(const std::string& tip);
    void Remove();
    bool Shown() const { return m_shown; }
    // After Explorer restarted: its new notification area knows nothing of
    // the icon shown before.
    void AddAgain();

private:
    NOTIFYICONDATAA Data(UINT flags, const std::string& tip) const;

    UINT m_callbackMessage;
    HWND m_window = nullptr;
    HICON m_icon = nullptr;
    std::string m_tip;
    bool m_shown = false;
};
