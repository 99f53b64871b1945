#pragma once
// The main dialog's window: owns the adapters of the ports, binds the control
// adapters once the window exists, and hands its messages to CWakeUpDlg.
#include "wakeup/app/WakeUpDlg.h"
#include "wakeup/platform/win32/DialogBase.h"
#include "wakeup/platform/win32/Win32Clock.h"
#include "wakeup/platform/win32/Win32Controls.h"
#include "wakeup/dirwatch/win32/Win32DirectoryWatcher.h"
#include "wakeup/platform/win32/Win32Files.h"
#include "wakeup/platform/win32/Win32LogFile.h"
#include "wakeup/platform/win32/Win32Power.h"
#include "wakeup/platform/win32/Win32Registry.h"
#include "wakeup/platform/win32/Win32Session.h"
#include "wakeup/platform/win32/Win32Threads.h"
#include "wakeup/platform/win32/Win32Timers.h"
#include "wakeup/platform/win32/Win32WindowMessages.h"

class CWakeUpWindow : public CDialogBase {
public:
    CWakeUpWindow(HINSTANCE instance, const std::string& programPath);

    CWakeUpDlg& Dialog() { return m_dlg; }
    // After the modal loop: false when a worker thread still uses the
    // dialog, which must then not be destroyed.
    bool StopThreads() { return m_dlg.StopThreads(); }

protected:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    INT_PTR OnInitDialog();
    void OnCommand(int id, int code);
    void OnPaintIconic();

    // First: the timer and pause adapters end their waits on its stop event.
    CWin32ThreadStarter m_threads;
    CWin32Clock m_clock;
    CWin32DateText m_dateText;
    CWin32Registry m_registry;
    CWin32LogList m_log;
    CWin32LogFile m_logFile;
    CWin32ProgressBar m_progress;
    CWin32DialogControls m_controls;
    CWin32FileReader m_files;
    CWin32WaitableTimers m_timers;
    CWin32LocalTimeConverter m_localTime;
    CWin32Power m_power;
    CWin32ProcessStarter m_processes;
    CWin32WindowMessenger m_messenger;
    CWin32ThreadWait m_wait;
    CWin32Session m_session;
    // Outlives the dialog, whose change handler ends its watches first.
    CWin32DirectoryWatcher m_watcher;
    HICON m_hIcon;
    CWakeUpDlg m_dlg; // last: its constructor may use every port above
};
