#pragma once
// The auto-suspend countdown. Its worker thread only paces it: it waits one
// minute at a time on its timer and posts the minute to the dialog. On the
// dialog's thread each minute counts the idle time down on the progress
// bar, warns through the host's command tool in the last minutes, and when
// the count runs out decides the sleep and asks for it (CSleepRequests).
// Host activity puts the count back to full.
#include <atomic>
#include <string>

#include "wakeup/app/KeepAwake.h"
#include "wakeup/app/NightState.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/SleepRequest.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/app/WakeUpSettings.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Session.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/power/SleepDecision.h"
#include "wakeup/power/SuspendCountdown.h"

class CAutoSuspend {
public:
    struct Ports {
        IProgressBar& progress; // shows the minutes left
        IWaitableTimers& timers;
        IThreadWait& wait;
        IThreadStarter& threads;
        IProcessStarter& processes; // the host's command tool
        IPower& power;
        ISession& session;           // the user's input, other sessions' marks
        IWindowMessenger& messenger; // the minute's post
        const IClock& clock;
        const IDateText& dateText;
    };

    // stop: set once the program ends; the thread then leaves.
    CAutoSuspend(const Ports& ports, CWakeUpLog& log, const CWakeUpSettings& settings,
                 CNightState& night, CScheduleArming& arming, CKeepAwake& keepAwake,
                 CSleepRequests& sleep, const std::string& hostDir, const std::atomic<bool>& stop);
    CAutoSuspend(const CAutoSuspend&) = delete;
    CAutoSuspend& operator=(const CAutoSuspend&) = delete;

    // The countdown thread runs proc(param), which must call Run (by
    // default: this object's own).
    void UseThreadEntry(IThreadStarter::ThreadProc proc, void* param);

    // Sets the bar up for the stored length and starts the thread.
    void Start();
    // The bar's range anew, the count full: after the user changed the length.
    void SetupRange(bool withStep);
    // Host activity and resume notices: the count back to full.
    void Reset();
    // The minutes left.
    int Position() const { return m_night.minutesLeft; }

    // The thread's loop until the program ends, and one turn of it: a
    // minute's wait, then its post to the dialog.
    void Run();
    void PaceMinute();
    // On the dialog's thread: a minute has passed (timerError: why the
    // countdown's timer could not pace it, 0 when it did).
    void OnMinute(uint32_t timerError);

    // The hidden button: suspend, or hibernate, without force.
    void SuspendNowAside();
    // A countdown's or the hidden button's request returned. The first
    // refusal of a run stops the countdown: a PC that no program can send
    // to sleep (modern standby, S3 turned off in the firmware) refuses
    // every time.
    void OnSleepRequestDone(uint32_t error);
    // Why no program can send this PC to sleep; empty until a request failed.
    std::string SleepRefusal() const;
    bool SetTokenPrivilege(const char* privilege, bool enable);

private:
    void ShowCount();
    void SendCancelNotice();
    bool UserInputInTheLastMinute();
    // When the count ran out: has the schedule scanned and the wake timer
    // set, then decides from the state after that wait.
    bool ReadyToSleep(bool& hibernate);
    // Whether this sleep leaves the armed recording's timer able to wake
    // the PC, and which sleep it is.
    bool WakeableSleepNow(bool& hibernate);

    Ports m_ports;
    CWakeUpLog& m_log;
    const CWakeUpSettings& m_settings;
    CNightState& m_night;
    CScheduleArming& m_arming;
    CKeepAwake& m_keepAwake;
    CSleepRequests& m_sleep;
    const std::string& m_hostDir;
    const std::atomic<bool>& m_stop;
    CMinuteTicker m_ticker; // the thread's own
    bool m_bTickerFailing = false;
    IThreadStarter::ThreadProc m_threadProc;
    void* m_threadParam;
};
