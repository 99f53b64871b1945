#pragma once
// The main dialog of the scheduler: all of its state and every decision it
// makes. The window itself (wakeup/app/win32/WakeUpWindow) owns the controls and
// hands its messages to this object; everything else reaches the system
// through the ports.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "wakeup/app/ScheduleChangeHandler.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/CodePage.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/DialogControls.h"
#include "wakeup/dirwatch/DirectoryWatcher.h"
#include "wakeup/platform/FileReader.h"
#include "wakeup/platform/Registry.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Session.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/platform/WaitableTimers.h"
#include "wakeup/platform/WindowMessages.h"
#include "wakeup/power/HostEvents.h"
#include "wakeup/power/SleepDecision.h"
#include "wakeup/power/SuspendCountdown.h"
#include "wakeup/schedule/WakeTimer.h"

class CDataExchange;

// Starts ArmWakeTimer of the dialog passed as the parameter.
unsigned WakeTimerThreadProc(void* dialog);
// Runs the endless auto-suspend countdown of the dialog passed.
unsigned SuspendCountdownThreadProc(void* dialog);

struct CWakeUpPorts {
    IClock& clock;
    IDateText& dateText;
    IRegistry& registry;
    IThreadStarter& threads;
    ILogList& log;
    IProgressBar& progress;
    IDialogControls& controls;
    IFileReader& files;
    const ICodePage& codePage;
    IWaitableTimers& timers;
    const ILocalTimeConverter& localTime;
    IPower& power;
    IProcessStarter& processes;
    IWindowMessenger& messenger;
    IThreadWait& wait;
    IDirectoryWatcher& watcher;
    ISession& session;
};

// The host's settings key, next to the host's own values.
#define WAKEUP_SETTINGS_KEY "Software\\Vorx\\Orvisa\\3.0"
#define WAKEUP_DEFAULT_SUSPEND_TEXT "Use remote controle to cancel auto shutdown in %d minutes..."

// Where the members are defined:
//   WakeUpDlg.cpp           construction, the schedule watch, data exchange, the log
//   WakeUpDlgSettings.cpp   settings in the registry
//   WakeUpDlgSchedule.cpp   the schedule scan and the wake-timer thread
//   WakeUpDlgEvents.cpp     WindowProc: host events, power broadcasts, the host command
//   WakeUpDlgCountdown.cpp  the auto-suspend countdown and the sleep request
// What they decide comes from schedule/ (scan, lead time, next start, wake
// timer) and power/ (event tables, query answers, countdown phases).
class CWakeUpDlg {
public:
    // Private to the dialog's window: asks the dialog's thread for a scan
    // (WM_APP + 1).
    static constexpr uint32_t kRescanMessage = 0x8001;
    // How long a suspend waits for the wake timer to be set.
    static constexpr uint32_t kArmingTimeoutMs = 5000;
    // How long the end of the program waits for its worker threads.
    static constexpr uint32_t kStopTimeoutMs = 10000;

    // The log keeps the newest kMaxLogIndex + 1 lines.
    static constexpr int kMaxLogIndex = 50;
    static constexpr int kMaxSuspendMinutes = 999;
    static constexpr int kMaxSuspendTextChars = 255;

    // programPath: the program's own path as the process got it.
    CWakeUpDlg(const CWakeUpPorts& ports, const std::string& programPath);
    CWakeUpDlg(const CWakeUpDlg&) = delete;
    CWakeUpDlg& operator=(const CWakeUpDlg&) = delete;

    // After the window has put the member values into its controls.
    void OnInitDialog();
    // Data exchange with the controls; false when a check failed.
    bool UpdateData(bool saveAndValidate);
    // Enter: true when the checks pass and the dialog may end.
    bool OnOK();
    // Once the window is gone, before the dialog is destroyed: ends the
    // wake-timer and countdown threads, which use the dialog. False when
    // one did not end in time; the dialog must then outlive them.
    bool StopThreads();

    // May be called from any thread.
    void AddLogLine(const std::string& message);
    // Reads the schedule, finds the next recording start and, for a new
    // target in the future, starts a wake-timer thread. A request while an
    // earlier scan or its arming is under way is kept and served once that
    // is done.
    void ScanSchedule();
    // The wake-timer thread's work: arms "KelmarTimer" for m_nextStart and
    // waits for it.
    void ArmWakeTimer();

    // Settings handlers (the dialog's thread).
    void LoadSettings();
    void OnSuspendMinutesKillFocus();
    void OnSuspendTextChange();
    void OnHibernateClicked();
    // Hidden button 1002.
    void SuspendNow();
    int SetTokenPrivilege(const char* privilege, int enable); // BOOL
    // Starts the host's command tool with the command line.
    void RunHostCommand(const std::string& commandLine);
    // The countdown thread's endless loop, and one of its one-minute cycles.
    void RunSuspendCountdown();
    void RunSuspendCountdownCycle();

    // WM_USER, WM_POWERBROADCAST and WM_WTSSESSION_CHANGE. True when
    // *result replaces the base window procedure's answer.
    bool WindowProc(uint32_t message, uint32_t wParam, int32_t lParam, intptr_t* result);

private:
    void DoDataExchange(CDataExchange& dx);
    void StartScheduleWatch();
    void StartSuspendCountdown();
    void OnPlayerEvent(int32_t code);
    bool OnPowerBroadcast(uint32_t event, intptr_t* result);
    bool OnSuspendQuery(intptr_t* result);
    void OnSessionChange(uint32_t event);
    // Host activity and resume notices: the count back to full. The
    // countdown's own return to full after it ran out is not counted.
    void ResetCountdown();
    void SetCountdownFull();
    // What decides a sleep now; resetsBefore is the number of resets when
    // the sleep was asked for.
    SleepState CurrentSleepState(unsigned resetsBefore, bool wakeTimerSet) const;
    // Gives the scan up; a request that came meanwhile is served by a fresh
    // scan on the dialog's thread.
    void ReleaseScan();
    // On the dialog's thread: true once no scan or arming is under way or
    // asked for, the latest request served; false when that takes too long.
    bool WaitForArming();
    // When the count ran out: has the schedule scanned and the wake timer
    // set, then decides from the state after that wait.
    bool ReadyToSleep();
    std::string SuspendText();
    void SetupProgress(bool withStep);
    std::unique_ptr<IRegistryKey> OpenSettingsKey();

    CWakeUpPorts m_ports;
    CWakeTimer m_wakeTimer;
    bool m_bExchanging = false; // a data exchange is running
    // A scan was asked for while another one held m_bScanBusy.
    std::atomic<bool> m_bScanPending{false};
    CExecutionStatePolicy m_executionState;
    CMinuteTicker m_ticker;
    bool m_bTickerFailing = false; // the countdown thread's own
    // Set once the window is gone: the worker threads leave without
    // touching the dialog again.
    std::atomic<bool> m_bStopping{false};
    // Resets of the count by host activity, so that a sleep decided after a
    // wait sees the activity during it.
    std::atomic<unsigned> m_nCountdownResets{0};
    // The session is not at the console: the countdown stands still.
    std::atomic<bool> m_bAwayFromConsole{false};
    // The countdown thread reads the warning text while the dialog's thread
    // may replace it.
    std::mutex m_textLock;

public:
    // Shared state, in the order the dialog declares it.
    std::string m_strHostDir;
    IProgressBar& m_ctlProgress;
    ILogList& m_ctlLog;
    // Settings; the countdown thread reads them.
    std::atomic<int> m_nSuspendMinutes{0};
    std::string m_strSuspendText;     // written under m_textLock
    std::atomic<int> m_bHibernate{0}; // BOOL
    IDirectoryWatcher& m_watcher;
    CScheduleChangeHandler m_changeHandler;
    // Set by the scan, cleared by the scan or by the wake-timer thread.
    std::atomic<int> m_bScanBusy{0};
    CDateTime m_nextStart;
    CDateTime m_armedStart;
    bool m_bSuspended = false;
    // Written by the dialog's thread, read by the countdown thread.
    std::atomic<bool> m_bRecording{false};
    std::atomic<bool> m_bPaused{false};
    int m_nPvrBufferBegin = 0;
};
