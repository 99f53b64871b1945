#pragma once
// The dialog's one loop: every event reaches the night here, on the
// dialog's thread. The schedule-change notices, the host's events forwarded
// by the extension module, the system's power and session broadcasts, and
// what the worker threads post (a wake timer's news, a countdown minute, a
// finished sleep request, a rescan) each change the night's state through
// its rules, log, and carry out the effects through the parts.
#include <cstdint>
#include <string>

#include "wakeup/app/AutoSuspend.h"
#include "wakeup/app/KeepAwake.h"
#include "wakeup/app/NightState.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/WakeProof.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/platform/Power.h"
#include "wakeup/power/HostEvents.h"

class CHostEventHandler {
public:
    // The log file's lines are on the disk before a sleep; with the arming's
    // wait the suspend notice stays within about one and a half seconds.
    static constexpr uint32_t kSuspendLogFlushMs = 300;

    struct Ports {
        IProcessStarter& processes; // the host's command tool
        const IClock& clock;
        const IDateText& dateText;
    };

    CHostEventHandler(const Ports& ports, CWakeUpLog& log, CNightState& night,
                      CKeepAwake& keepAwake, CAutoSuspend& countdown, CScheduleArming& arming,
                      CWakeProof& proof, const std::string& hostDir);
    CHostEventHandler(const CHostEventHandler&) = delete;
    CHostEventHandler& operator=(const CHostEventHandler&) = delete;

    // WM_USER, WM_POWERBROADCAST, WM_WTSSESSION_CHANGE, WM_TIMECHANGE,
    // WM_ENDSESSION and the dialog's private messages (DialogMessages.h).
    // True when *result replaces the base window procedure's answer.
    bool WindowProc(uint32_t message, uint32_t wParam, int32_t lParam, intptr_t* result);
    // At start: a session that is not at the console.
    void OnSessionAway();
    // At the moments NextTick names: the end of a wake's hold, the scan
    // after a fired recording's start, the resume report and the wake
    // test's verdict.
    void OnClockTick();

private:
    bool Handle(uint32_t message, uint32_t wParam, int32_t lParam, intptr_t* result);
    void OnPlayerEvent(int32_t code);
    bool OnPowerBroadcast(uint32_t event, intptr_t* result);
    bool OnSuspendQuery(intptr_t* result);
    void OnSessionChange(uint32_t event);
    // Logoff or shutdown: the armed wake ends with the process, and the
    // file gets every line before it does.
    void OnSessionEnd();
    void OnWakeTimerNews();
    void OnWakeFired(const NightWake& fired);
    void OnSleepRequestDone(uint32_t error, int32_t origin);

    Ports m_ports;
    CWakeUpLog& m_log;
    CNightState& m_night;
    CKeepAwake& m_keepAwake;
    CAutoSuspend& m_countdown;
    CScheduleArming& m_arming;
    CWakeProof& m_proof;
    const std::string& m_hostDir;
};
