#pragma once
// The auto-suspend countdown: a worker thread that counts the idle minutes
// down on the progress bar, warns through the host's command tool in the
// last minutes and asks the system to sleep when the count runs out. Host
// activity puts the count back to full.
#include <atomic>
#include <string>

#include "wakeup/app/HostState.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/app/WakeUpSettings.h"
#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Session.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/power/SleepDecision.h"
#include "wakeup/power/SuspendCountdown.h"

class CAutoSuspend {
public:
    struct Ports {
        IProgressBar& progress; // the count: minutes left
        IWaitableTimers& timers;
        IThreadWait& wait;
        IThreadStarter& threads;
        IProcessStarter& processes; // the host's command tool
        IPower& power;
        ISession& session;           // the user's input
        IWindowMessenger& messenger; // asks the dialog's thread
    };

    // stop: set once the program ends; the thread then leaves.
    CAutoSuspend(const Ports& ports, CWakeUpLog& log, const CWakeUpSettings& settings,
                 const CHostState& host, CScheduleArming& arming, const std::string& hostDir,
                 const std::atomic<bool>& stop);
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
    int Position();

    // The thread's loop until the program ends, and one one-minute cycle.
    void Run();
    void RunCycle();

    // Suspend, or hibernate, without force; a failure is logged.
    // The first refusal of a run stops the countdown: a PC that no program
    // can send to sleep (modern standby, S3 turned off in the firmware)
    // refuses every time.
    void SuspendNow() { SuspendNow(m_settings.m_bHibernate); }
    void SuspendNow(bool hibernate);
    // The hidden button: the same request on a thread of its own, since it
    // returns only after the resume and the dialog's thread must handle the
    // suspend notice (its scan and arming) before the PC goes down.
    void SuspendNowAside();
    // Why no program can send this PC to sleep; empty until a request failed.
    std::string SleepRefusal() const;
    bool SetTokenPrivilege(const char* privilege, bool enable);

    // The resets so far; a sleep decided after a wait compares them.
    unsigned Resets() const { return m_nResets; }
    // What decides a sleep now.
    SleepState SleepStateSince(unsigned resetsBefore, bool wakeTimerSet) const;

private:
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
    const CHostState& m_host;
    CScheduleArming& m_arming;
    const std::string& m_hostDir;
    const std::atomic<bool>& m_stop;
    CMinuteTicker m_ticker;
    bool m_bTickerFailing = false; // the thread's own
    // A warning went to the host's screen in this count (the thread's own).
    bool m_bWarned = false;
    // Counted, so that a sleep decided after a wait sees the activity
    // during it. The countdown's own return to full is not counted.
    std::atomic<unsigned> m_nResets{0};
    // The system's error for the first refused sleep request; 0: none yet.
    std::atomic<uint32_t> m_sleepRefused{0};
    // The recording the countdown last stood back for, as the log writes
    // its start: the line is said once per recording (the thread's own).
    std::string m_stoodBackFor;
    IThreadStarter::ThreadProc m_threadProc;
    void* m_threadParam;
};
