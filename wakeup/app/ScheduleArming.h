#pragma once
// The schedule scan and the arming of the wake timer, handed over between
// the dialog's thread and one wake-timer thread per arming: the dialog's
// thread reads the schedule (BeginScan) and, when the night's step says so,
// hands a new target to a wake-timer thread (StartArming), which sets the
// timer and waits for it. While a scan or its arming is under way, a
// further request is kept and served once that is done.
// The wake-timer thread reads nothing of the night: it takes its target
// through the hand-over, and what it learns (its timer set or refused,
// fired or let go, with its log lines) it queues for the night's step.
#include <atomic>
#include <cstdint>
#include <string>

#include "wakeup/app/NightQueue.h"
#include "wakeup/app/NightState.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/CodePage.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/FileReader.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/platform/WaitableTimers.h"
#include "wakeup/platform/WindowMessages.h"
#include "wakeup/schedule/ScheduleScan.h"
#include "wakeup/schedule/WakeTimer.h"

class CScheduleArming {
public:
    struct Ports {
        IFileReader& files;
        const ICodePage& codePage;
        const IClock& clock;
        const IDateText& dateText;
        IWaitableTimers& timers;
        const ILocalTimeConverter& localTime;
        IThreadStarter& threads;
        IThreadWait& wait;
        IPower& power; // the plan's wake-timer setting
    };

    // hostDir holds the schedule; leadMinutes is read at every scan. stop:
    // set once the program ends; a thread then leaves without news.
    CScheduleArming(const Ports& ports, CNightQueue& queue, const std::string& hostDir,
                    const int& leadMinutes, const std::atomic<bool>& stop);
    CScheduleArming(const CScheduleArming&) = delete;
    CScheduleArming& operator=(const CScheduleArming&) = delete;

    // On the dialog's thread. Takes the scan and reads the schedule into
    // `scanned`; false when another scan or its arming is under way (the
    // request is kept, and served once that one lets go).
    bool BeginScan(NightEvent& scanned);
    // After the scan's step: hands the wake to a new wake-timer thread,
    // which lets the scan go once it has taken it; false when no thread
    // could start.
    bool StartArming(const NightWake& wake, const CDateTime& localTarget);
    // Gives the scan up (the scan armed nothing, or a thread has taken its
    // wake); a request that came meanwhile is queued as a rescan.
    void EndScan();
    // Waits until no scan or arming is under way; false after timeoutMs.
    bool WaitWhileBusy(uint32_t timeoutMs);
    // A scan or its arming is under way.
    bool Busy() const { return m_scanBusy; }
    // A scan was asked for while one was under way and not yet served.
    bool ScanPending() const { return m_scanPending; }

    // The wake-timer thread: it takes its target and arms (Arm), then
    // waits for the timer (Wait).
    static unsigned ThreadEntry(void* arming);
    struct Armed {
        CWakeTimer::Arming arming;
        NightWake wake;
    };
    Armed Arm();
    void Wait(const Armed& armed);

private:
    // The hand-over: set by the scan, cleared by the scan or by the
    // wake-timer thread once it has taken the target.
    std::atomic<bool> m_scanBusy{false};
    // A scan was asked for while another one held m_scanBusy.
    std::atomic<bool> m_scanPending{false};
    // The target to arm, local, read by the wake-timer thread while
    // m_scanBusy is set, with the wake in UTC.
    CDateTime m_nextStart;
    NightWake m_nextWake;

    // The schedule's next start that has not passed.
    ScheduleScanResult ScanFromNow() const;

    Ports m_ports;
    CNightQueue& m_queue;
    const std::string& m_hostDir;
    const int& m_leadMinutes;
    const std::atomic<bool>& m_stop;
    CWakeTimer m_wakeTimer;
};
