#pragma once
// What reaches the dialog's window from outside: the schedule-change notices,
// the host's events forwarded by the extension module, and the system's
// power and session broadcasts. Each sets the state the countdown and the
// sleep decision read, logs, and puts the count back to full where the
// machine is in use.
#include <cstdint>
#include <string>

#include "wakeup/app/AutoSuspend.h"
#include "wakeup/app/HostState.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/WakeProof.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Session.h"
#include "wakeup/power/HostEvents.h"

class CHostEventHandler {
public:
    // Private to the dialog's window: the countdown asks whether another
    // program keeps the machine awake (WM_APP + 5), answered in
    // CHostState::otherProgramAwake.
    static constexpr uint32_t kOtherProgramsMessage = 0x8005;
    // How long the machine is kept awake after a wake for a recording that
    // the host does not report, counted from the recording's start.
    static constexpr int kAwaitRecordingMinutes = 10;
    // The log file's lines are on the disk before a sleep; with the arming's
    // wait the suspend notice stays within about one and a half seconds.
    static constexpr uint32_t kSuspendLogFlushMs = 300;

    struct Ports {
        IPower& power;              // the execution state
        IProcessStarter& processes; // the host's command tool
        const IClock& clock;
        const IDateText& dateText;
        ISession& session; // the mark for other sessions
    };

    CHostEventHandler(const Ports& ports, CWakeUpLog& log, CHostState& host,
                      CAutoSuspend& countdown, CScheduleArming& arming, CWakeProof& proof,
                      const std::string& hostDir);
    CHostEventHandler(const CHostEventHandler&) = delete;
    CHostEventHandler& operator=(const CHostEventHandler&) = delete;

    // WM_USER, WM_POWERBROADCAST, WM_WTSSESSION_CHANGE, WM_TIMECHANGE,
    // WM_ENDSESSION and the dialog's private requests. True when *result replaces the base window
    // procedure's answer.
    bool WindowProc(uint32_t message, uint32_t wParam, int32_t lParam, intptr_t* result);
    // At start: a session that is not at the console.
    void OnSessionAway();
    // On the dialog's thread at the moments NextTick names: the end of a
    // wake's hold, the scan after a fired recording's start, the resume
    // report and the wake test's verdict.
    void OnClockTick();
    // The next moment OnClockTick has something to do; false when nothing
    // waits for one, and no timer need run.
    bool NextTick(CDateTime& at) const;

private:
    void OnPlayerEvent(int32_t code);
    bool OnPowerBroadcast(uint32_t event, intptr_t* result);
    bool OnSuspendQuery(intptr_t* result);
    void OnSessionChange(uint32_t event);
    // Logoff or shutdown: the armed wake ends with the process, and the
    // file gets every line before it does.
    void OnSessionEnd();
    void OnWakeFired();
    void EndAwaiting();
    // The wake's hold ends once this has passed without the host's report.
    CDateTime HoldEnd() const {
        return m_awaitedStart + CDateTimeSpan(0, 0, kAwaitRecordingMinutes, 0);
    }
    // What keeps the PC awake has changed: the second line under the log,
    // and the mark that other sessions' schedulers see while this one
    // records or holds a woken PC for a recording.
    void KeepAwakeChanged();
    void SetExecutionState(uint32_t state);
    void CheckOtherPrograms();

    Ports m_ports;
    CWakeUpLog& m_log;
    CHostState& m_host;
    CAutoSuspend& m_countdown;
    CScheduleArming& m_arming;
    CWakeProof& m_proof;
    const std::string& m_hostDir;
    CExecutionStatePolicy m_executionState;
    // The start of the recording the machine was woken for, while
    // m_host.awaitingRecording is set.
    CDateTime m_awaitedStart;
};
