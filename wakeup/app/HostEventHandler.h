#pragma once
// The dialog's one loop: every event reaches the night here, on the
// dialog's thread. The host's events forwarded by the extension module, the
// system's power, session, clock and end-of-session broadcasts, what the
// worker threads queue (CNightQueue) and the user's commands each become a
// NightEvent, which the night's step (NightStep) takes; the loop carries
// the step's effects out through the parts, one event after another. What
// reaches the dialog while it waits for an arming is answered at once and
// queued, and stepped after the wait, in order.
#include <cstdint>
#include <string>

#include "wakeup/app/AutoSuspend.h"
#include "wakeup/app/KeepAwake.h"
#include "wakeup/app/NightQueue.h"
#include "wakeup/app/NightState.h"
#include "wakeup/app/NightStep.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/SleepRequests.h"
#include "wakeup/app/WakeProof.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/app/WakeUpSettings.h"
#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Session.h"

class CHostEventHandler {
public:
    struct Ports {
        IProcessStarter& processes; // the host's command tool and program
        IProcessWatch& hostWatch;   // the host's end
        const IHostLookup& hostLookup;
        IProcessList& programs;    // "KeepAwakePrograms"
        INetworkCounters& network; // "NetworkBusyKBps"
        const IClock& clock;
        const IDateText& dateText;
        IPower& power;
        ISession& session;
        IDialogControls& controls; // the hidden edit
    };
    struct Parts {
        CScheduleArming& arming;
        CKeepAwake& keepAwake;
        CAutoSuspend& countdown;
        CSleepRequests& sleep;
        CWakeProof& proof;
    };

    CHostEventHandler(const Ports& ports, const Parts& parts, CWakeUpLog& log, CNightState& night,
                      CNightQueue& queue, const CWakeUpSettings& settings,
                      const std::string& hostDir);
    CHostEventHandler(const CHostEventHandler&) = delete;
    CHostEventHandler& operator=(const CHostEventHandler&) = delete;

    // WM_USER, WM_POWERBROADCAST, WM_WTSSESSION_CHANGE, WM_TIMECHANGE,
    // WM_ENDSESSION and DialogMessage::kNightEvent. True when *result
    // replaces the base window procedure's answer.
    bool WindowProc(uint32_t message, uint32_t wParam, int32_t lParam, intptr_t* result);
    // An event of the dialog's own: the clock tick, the user's commands,
    // the settings.
    void Step(const NightEvent& event);
    // The wake test: why it cannot run now (empty when it can), and its
    // start once the user has confirmed it.
    std::string WakeTestRefusal() const;
    void StartWakeTest();
    // Milliseconds until the next moment a rule needs the clock (0 when it
    // has come); false when none does.
    bool NextTickMs(uint32_t& ms) const;

private:
    // The event a message brings; false for one the night does not take.
    bool EventOf(uint32_t message, uint32_t wParam, int32_t lParam, NightEvent& event) const;
    // Steps the event, and then what was queued meanwhile; true when the
    // query is to be denied.
    bool Run(const NightEvent& event);
    void RunQueued();
    // Steps the minutes the countdown thread counted on its own first.
    void Process(const NightEvent& event);
    void StepOne(const NightEvent& event);
    // The minutes the countdown thread counted on its own since the last
    // step, stepped as one event.
    void StepQuietMinutes();
    // Once the loop has run dry: how many of the next minutes the countdown
    // thread may count on its own.
    void AllowQuietMinutes();
    // Carries the effects out; what they bring about is queued, not stepped.
    void CarryOut(const NightEffects& effects);
    void Scan();
    // The wait for the arming before a second look, serving a scan asked
    // for meanwhile; the look is queued again behind what came meanwhile.
    void WaitForArming(NightEvent look);
    NightInputs Inputs(const NightEvent& event);
    NightInputs SettingsInputs() const;
    // The first program of "KeepAwakePrograms" that runs now.
    std::string BusyProgram();

    Ports m_ports;
    Parts m_parts;
    CWakeUpLog& m_log;
    CNightState& m_night;
    CNightQueue& m_queue;
    const CWakeUpSettings& m_settings;
    const std::string& m_hostDir;
    // An event is being stepped or its effects carried out.
    bool m_running = false;
    // The step carried out last handed its wake to a thread.
    bool m_armStarted = false;
    // The query that runs is denied.
    bool m_deny = false;
    // What the last effects showed that every step shows again: the mark
    // and the keep-awake text.
    NightEffects m_shown;
};
