#pragma once
// The main dialog of the scheduler. It wires its parts and hands them the
// window's messages and commands. The night's state (CNightState) is
// one value on the dialog's thread, which only the night's step
// (NightStep) changes; the parts carry the step's effects out:
//   CWakeUpLog          the log list
//   CWakeUpSettings     the settings: load, check, store
//   CScheduleArming     the schedule scan and the wake timer's threads
//   CKeepAwake          the execution state, the other sessions' mark
//   CAutoSuspend        the countdown's thread and its bar
//   CSleepRequests      the sleep requests, each on a thread of its own
//   CWakeProof          the wake test's timer
//   CHostEventHandler   the loop: every event, whoever sends or queues it
// The window itself
// (wakeup/app/win32/WakeUpWindow) owns the controls and the adapters and
// hands its messages to this object.
#include <atomic>
#include <cstdint>
#include <string>

#include "wakeup/app/AutoSuspend.h"
#include "wakeup/app/HostEventHandler.h"
#include "wakeup/app/KeepAwake.h"
#include "wakeup/app/NightState.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/ScheduleChangeHandler.h"
#include "wakeup/app/SleepRequests.h"
#include "wakeup/app/WakeProof.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/app/WakeUpSettings.h"
#include "wakeup/dirwatch/DirectoryWatcher.h"
#include "wakeup/platform/Registry.h"
#include "wakeup/platform/Session.h"

// The ports, by the part that uses them; the dialog itself uses a few more.
struct CWakeUpPorts {
    CScheduleArming::Ports arming;
    CAutoSuspend::Ports countdown;
    CHostEventHandler::Ports events;
    IWindowMessenger& messenger;
    ILogList& log;
    ILogFile& logFile;
    IRegistry& registry;
    IDirectoryWatcher& watcher;
    ISession& session;
};

class CWakeUpDlg {
public:
    // How long the end of the program waits for its worker threads.
    static constexpr uint32_t kStopTimeoutMs = 10000;

    // programPath: the program's own path as the process got it.
    CWakeUpDlg(const CWakeUpPorts& ports, const std::string& programPath);
    CWakeUpDlg(const CWakeUpDlg&) = delete;
    CWakeUpDlg& operator=(const CWakeUpDlg&) = delete;

    // After the window has put the member values into its controls.
    void OnInitDialog();
    // Data exchange with the controls; false when a check failed.
    bool UpdateData(bool saveAndValidate) { return m_settings.Exchange(saveAndValidate); }
    // Enter: true when the checks pass and the dialog may end.
    bool OnOK() { return UpdateData(true); }
    // Once the window is gone, before the dialog is destroyed: ends the
    // wake-timer and countdown threads, which use the dialog. False when
    // one did not end in time; the dialog must then outlive them.
    bool StopThreads();

    // May be called from any thread.
    void AddLogLine(const std::string& message) { m_log.Add(message); }
    // A scan, as a change of the schedule brings it (the dialog's thread).
    void ScanSchedule() { m_events.Step(NightEvent(NightEvent::rescan)); }

    // Settings handlers (the dialog's thread).
    void OnSuspendMinutesKillFocus();
    void OnSuspendTextChange() { m_settings.OnSuspendTextChange(); }
    void OnHibernateClicked() {
        m_settings.OnHibernateClicked();
        m_events.Step(NightEvent(NightEvent::hibernateChanged));
    }
    // The Options dialog's values, checked: stored and taken over at once.
    // False when they could not all be stored.
    bool UseOptions(const WakeUpOptions& options);
    // Hidden button 1002: the countdown's request, on a thread of its own.
    void SuspendNow() { m_events.Step(NightEvent(NightEvent::hiddenButton)); }
    int SetTokenPrivilege(const char* privilege, int enable); // BOOL
    // The system menu's command: wake timers allowed in the active plan.
    void AllowWakeTimers();
    // Starts the host's command tool with the command line.
    void RunHostCommand(const std::string& commandLine);
    // The wake test (the dialog's thread): why it cannot run now (empty
    // when it can), and its start once the user has confirmed it.
    std::string WakeTestRefusal() const { return m_events.WakeTestRefusal(); }
    void StartWakeTest() { m_events.StartWakeTest(); }

    // The window's one-shot timer, set for the delay NextTickMs gives.
    void OnClockTick() { m_events.Step(NightEvent(NightEvent::clockTick)); }
    // The window has come on screen, where the bar shows the minutes that
    // the countdown counted while it was away; or it has gone, and the
    // countdown may count minutes on its own.
    void OnBarShownOrHidden() { m_events.Step(NightEvent(NightEvent::quietMinutes)); }
    // Stay awake this many minutes (0: until allowed; below 0: allow sleep).
    void StayAwake(int32_t minutes) { m_events.Step(NightEvent(NightEvent::stayAwake, minutes)); }
    // Milliseconds until the next moment a rule needs the clock (0 when it
    // has come); false when none does and no timer runs.
    bool NextTickMs(uint32_t& ms) const { return m_events.NextTickMs(ms); }
    // WM_USER, WM_POWERBROADCAST, WM_WTSSESSION_CHANGE, WM_TIMECHANGE,
    // WM_ENDSESSION and DialogMessage::kNightEvent. True when *result
    // replaces the base window procedure's answer.
    bool WindowProc(uint32_t message, uint32_t wParam, int32_t lParam, intptr_t* result) {
        return m_events.WindowProc(message, wParam, lParam, result);
    }

private:
    void StartScheduleWatch();
    void StartCountdown();
    // A new length: the countdown starts with it where none ran before.
    void CountdownLengthChanged();

    CWakeUpPorts m_ports;
    // Set once the window is gone: the worker threads leave without
    // touching the dialog again.
    std::atomic<bool> m_workersStopping{false};
    bool m_bCountdownStarted = false;

public:
    std::string m_strHostDir;
    CWakeUpLog m_log;
    CWakeUpSettings m_settings;
    CNightState m_night;
    CNightQueue m_queue;
    CWakeStatus m_status;
    CScheduleArming m_arming;
    CKeepAwake m_keepAwake;
    CSleepRequests m_sleep;
    CAutoSuspend m_countdown;
    CWakeProof m_proof;
    CHostEventHandler m_events;
    // Last: it goes first and ends its watches while the rest still stands.
    CScheduleChangeHandler m_changeHandler;
};
