#pragma once
// The schedule scan and the arming of the wake timer, handed over between
// the dialog's thread and one wake-timer thread per arming: every request
// scans on the dialog's thread; a new future target goes to a wake-timer
// thread, which sets the timer and waits for it. While a scan or its arming
// is under way, a further request is kept and served once that is done.
// The wake-timer thread reads nothing of the night: it takes its target
// through the hand-over, and what it learns (its timer set or refused,
// fired or let go) it queues and posts; the dialog's thread takes it into
// the night's state (TakeNews).
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "wakeup/app/NightState.h"
#include "wakeup/app/WakeStatus.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/CodePage.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/FileReader.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/platform/WaitableTimers.h"
#include "wakeup/platform/WindowMessages.h"
#include "wakeup/schedule/ScheduleScan.h"
#include "wakeup/schedule/WakeTimer.h"

class CScheduleArming {
public:
    // How long a sleep waits for the wake timer to be set.
    static constexpr uint32_t kArmingTimeoutMs = 5000;
    // The system gives the suspend notice about two seconds; the whole
    // handling stays within one and a half.
    static constexpr uint32_t kSuspendArmingTimeoutMs = 1200;

    struct Ports {
        IFileReader& files;
        const ICodePage& codePage;
        const IClock& clock;
        const IDateText& dateText;
        IWaitableTimers& timers;
        const ILocalTimeConverter& localTime;
        IThreadStarter& threads;
        IWindowMessenger& messenger;
        IThreadWait& wait;
        IPower& power;             // the plan's wake-timer setting
        IDialogControls& controls; // the hidden edit
    };

    // hostDir holds the schedule; leadMinutes is read at every scan.
    CScheduleArming(const Ports& ports, CWakeUpLog& log, CNightState& night, CWakeStatus& status,
                    const std::string& hostDir, const int& leadMinutes);
    CScheduleArming(const CScheduleArming&) = delete;
    CScheduleArming& operator=(const CScheduleArming&) = delete;

    // The wake-timer threads run proc(param), which must call ArmWakeTimer
    // (by default: this object's own).
    void UseThreadEntry(IThreadStarter::ThreadProc proc, void* param);

    // The rest on the dialog's thread, but ArmWakeTimer.
    void Scan();
    // The clock or the time zone has changed (WM_TIMECHANGE): the armed
    // target is the same local moment, but its due time, fixed in UTC when
    // it was set, is not. Scans, and arms the target even where it stays.
    void RearmForNewClock();
    // True once no scan or arming is under way or asked for, the latest
    // request served and its news taken; false when that takes too long.
    bool WaitForArming(uint32_t timeoutMs = kArmingTimeoutMs);
    // Takes in what the wake-timer threads have queued: the armed wake's
    // due moment, the line under the log, a refused arming. Returns the
    // wakes whose timer fired: such a wake no longer
    // counts as armed, and once the recording's start has passed the
    // schedule is scanned again (OnClockTick), so that the next recording is
    // armed without a change of the file.
    std::vector<NightWake> TakeNews();
    // At the moment the night's rules name for the rescan.
    void OnClockTick();
    // A timer was set with the resume option, which the machine cannot
    // honour. Logged once per run, with what to check.
    void ReportTimerUnsupported();
    // The start of the recording whose wake is armed, as the log writes
    // dates, and the whole minutes until it; false when none is armed.
    bool ArmedRecording(std::string& start, int64_t& minutesAway) const;
    // The wake-timer thread's work: arms the timer for m_nextStart and waits
    // for it. With `stop` set, it ends without a word (the log is gone).
    void ArmWakeTimer(const std::atomic<bool>& stop);

    // The hand-over: set by the scan, cleared by the scan or by the
    // wake-timer thread once it has taken the target.
    std::atomic<bool> m_scanBusy{false};
    // A scan was asked for while another one held m_scanBusy.
    std::atomic<bool> m_scanPending{false};
    // The target to arm, local, read by the wake-timer thread while
    // m_scanBusy is set, with the wake in UTC.
    CDateTime m_nextStart;
    NightWake m_nextWake;

private:
    // What a wake-timer thread learnt, queued for the dialog's thread.
    struct News {
        enum Kind { set, refused, ended } kind;
        NightWake wake;
        std::string targetText; // set: the status line's target
        std::string warning;    // set: what stands against the wake
        bool resumeUnsupported = false;
        bool fired = false;  // ended: by its own due time
        bool newest = false; // ended: no newer arming holds the timer
    };
    // From the wake-timer thread.
    void Tell(const News& news);
    // Gives the scan up; a request that came meanwhile is served by a fresh
    // scan on the dialog's thread.
    void ReleaseScan();
    void Arm(const CDateTime& localTarget, const NightWake& wake);
    // The schedule's next start that has not passed.
    ScheduleScanResult ScanFromNow() const;

    Ports m_ports;
    CWakeUpLog& m_log;
    CNightState& m_night;
    CWakeStatus& m_status;
    const std::string& m_hostDir;
    const int& m_leadMinutes;
    CWakeTimer m_wakeTimer;
    IThreadStarter::ThreadProc m_threadProc;
    void* m_threadParam;
    bool m_bToldUnsupported = false;
    std::mutex m_newsLock;
    std::vector<News> m_news;
    // Fires taken in by a wait, for the next TakeNews to report.
    std::vector<NightWake> m_firedUntold;
};
