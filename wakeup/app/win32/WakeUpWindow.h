#pragma once
// The main dialog's window: owns the adapters of the ports, binds the control
// adapters once the window exists, and hands its messages to CWakeUpDlg.
#include "wakeup/app/WakeUpDlg.h"
#include "wakeup/platform/DialogMessages.h"
#include "wakeup/app/win32/TrayIcon.h"
#include "wakeup/platform/win32/DialogBase.h"
#include "wakeup/platform/win32/Win32Clock.h"
#include "wakeup/platform/win32/Win32Controls.h"
#include "wakeup/dirwatch/win32/Win32DirectoryWatcher.h"
#include "wakeup/platform/win32/Win32Files.h"
#include "wakeup/platform/win32/Win32HostLookup.h"
#include "wakeup/platform/win32/Win32LogFile.h"
#include "wakeup/platform/win32/Win32Power.h"
#include "wakeup/platform/win32/Win32Registry.h"
#include "wakeup/platform/win32/Win32Session.h"
#include "wakeup/platform/win32/Win32Threads.h"
#include "wakeup/platform/win32/Win32Timers.h"
#include "wakeup/platform/win32/Win32WindowMessages.h"

class COptionsDlg;

// The dialog's controls, with the next-wake line, which the window shows in
// the notification area's tooltip as well.
class CWakeUpControls : public CWin32DialogControls {
public:
    using CWin32DialogControls::CWin32DialogControls;
    void ShowNextWake(const std::string& text) override;
};

class CWakeUpWindow : public CDialogBase {
public:
    // startMinimized: the window opens minimised (the start at logon).
    CWakeUpWindow(HINSTANCE instance, const std::string& programPath, bool startMinimized = false);

    CWakeUpDlg& Dialog() { return m_dlg; }
    // After the modal loop: false when a worker thread still uses the
    // dialog, which must then not be destroyed.
    bool StopThreads() { return m_dlg.StopThreads(); }
    // The command line's "/stayawake": stepped once the dialog has started.
    void StayAwakeAtStart(int32_t minutes) {
        m_stayAwakeAtStart = minutes;
        m_bStayAwakeAtStart = true;
    }

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    INT_PTR OnInitDialog();
    void OnCommand(int id, int code);
    void OnPaintIconic();
    void OnSize(WPARAM kind);
    void OnTrayIcon(LPARAM mouse);
    // Sets the clock tick for the dialog's next moment, or stops it.
    void ScheduleClockTick();
    // "Test wake...": says why it cannot run now, or asks, then starts it.
    void OnTestWake();
    // "Options...": the Options dialog, modal.
    void OnOptions();
    // A command of the "Stay awake" menu; false for any other.
    bool OnStayAwakeCommand(UINT command);
    void Restore();
    // The notification area is (back) there: the icon again, or for the
    // first time when it could not be added before.
    void OnTaskbarCreated();
    // The start with /minimized: into the notification area (or minimised
    // into the task bar where there is none) without showing the window.
    void FinishMinimizedStart();
    std::string NextWakeText();

    // First: the timer and pause adapters end their waits on its stop event.
    CWin32ThreadStarter m_threads;
    CWin32Clock m_clock;
    CWin32DateText m_dateText;
    CWin32Registry m_registry;
    CWin32LogList m_log;
    CWin32LogFile m_logFile;
    CWin32ProgressBar m_progress;
    CWakeUpControls m_controls;
    CWin32FileReader m_files;
    CWin32WaitableTimers m_timers;
    CWin32LocalTimeConverter m_localTime;
    CWin32Power m_power;
    CWin32ProcessStarter m_processes;
    CWin32ProcessWatch m_hostWatch;
    CWin32HostLookup m_hostLookup;
    CWin32ProcessList m_programs;
    CWin32NetworkCounters m_network;
    CWin32WindowMessenger m_messenger;
    CWin32ThreadWait m_wait;
    CWin32Session m_session;
    // Outlives the dialog, whose change handler ends its watches first.
    CWin32DirectoryWatcher m_watcher;
    HICON m_hIcon;
    COptionsDlg* m_options = nullptr; // while it is open
    int32_t m_stayAwakeAtStart = 0;
    bool m_bStayAwakeAtStart = false;
    bool m_startMinimized;
    // While set, every attempt to show the window is dropped: the dialog
    // manager shows it once at its creation and once when its queue first
    // runs empty.
    bool m_bHoldHidden = false;
    // Whether the clock tick's timer is set, and when it is due
    // (GetTickCount64); 0: unknown, to be set anew.
    bool m_tickSet = false;
    ULONGLONG m_tickDue = 0;
    static constexpr UINT kTrayIconMessage = DialogMessage::kTrayIcon;
    // Ends the start with /minimized, after the dialog manager's shows.
    static constexpr UINT_PTR kStartMinimizedTimer = 1;
    static constexpr UINT kStartMinimizedDelayMs = 300;
    // The dialog's clock tick, set for the next moment a rule needs it (the
    // end of a wake's hold, the scan once a fired recording has started, a
    // resume report) and for none when nothing waits: an idle scheduler is
    // not woken. Timers of the window count no time the machine slept; the
    // tick compares the clock, and every power notice sets it anew.
    static constexpr UINT_PTR kClockTickTimer = 2;
    static constexpr UINT kMinClockTickMs = 100;
    // Two moments of the clock tick this near are the same one.
    static constexpr ULONGLONG kSameTickMs = 250;
    // The log list's redraw after a burst of lines, a moment later: the
    // wake-timer thread's lines, which it adds before it sets the timer,
    // need not wait behind the drawing.
    static constexpr UINT_PTR kRedrawTimer = 3;
    static constexpr UINT kRedrawDelayMs = 50;
    CTrayIcon m_tray{kTrayIconMessage};
    UINT m_taskbarCreated;
    CWakeUpDlg m_dlg; // last: its constructor may use every port above
};
