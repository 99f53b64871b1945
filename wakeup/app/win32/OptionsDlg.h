#pragma once
// The Options dialog: every setting in one place, checked when the user
// presses OK or Apply and then used at once. The network's traffic now is
// shown beside its threshold, read every two seconds while the dialog is
// open.
#include <functional>

#include "wakeup/app/WakeUpSettings.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/win32/DialogBase.h"
#include "wakeup/platform/win32/Win32Controls.h"

// The dialog's controls: it has no next-wake line.
class COptionsControls : public CWin32DialogControls {
public:
    using CWin32DialogControls::CWin32DialogControls;
    void ShowNextWake(const std::string&) override {}
};

class COptionsDlg : public CDialogBase {
public:
    // use: takes the checked values over; false when they were not stored.
    using UseOptions = std::function<bool(const WakeUpOptions&)>;
    COptionsDlg(HINSTANCE instance, const WakeUpOptions& options, INetworkCounters& network,
                UseOptions use);

    HWND Window() const { return m_hWnd; }

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnInitDialog();
    void OnCommand(int id, int code);
    // OK and Apply: false when a check failed (its message shown).
    bool Apply();
    void Browse();
    void ShowTraffic();

    WakeUpOptions m_options;
    INetworkCounters& m_network;
    UseOptions m_use;
    COptionsControls m_controls;
    // While the values are put into the controls, their change notices do
    // not enable Apply.
    bool m_bFilling = false;
    bool m_bCounted = false;
    uint64_t m_lastBytes = 0;
    ULONGLONG m_lastTick = 0;
    static constexpr UINT_PTR kTrafficTimer = 1;
    static constexpr UINT kTrafficMs = 2000;
};
