#pragma once
// The schedule scan and the arming of the wake timer, handed over between
// the dialog's thread and one wake-timer thread per arming: the dialog's
// thread reads the schedule (BeginScan) and, when the night's step says so,
// sets the timer for the new target and hands the arming to a new
// wake-timer thread (StartArming), which tells of it and waits for the
// timer. The timer is set before the thread starts: starting a thread costs
// more than the rest of the arming, and a schedule written moments before a
// sleep must be armed by then. While a scan or its arming is under way, a
// further request is kept and served once that is done.
// The wake-timer thread reads nothing of the night: it is handed its
// arming, and what it learns (its timer set or refused, fired or let go,
// with its log lines) it queues for the night's step.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

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
    // After the scan's step: sets the timer for the wake and hands the
    // arming to a new wake-timer thread, which lets the scan go once it has
    // queued the news; false when no thread could start, and then nothing
    // stays armed.
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

    // The wake-timer thread of one arming: it takes the arming over
    // (TakeOver), then waits for the timer (Wait).
    static unsigned ThreadEntry(void* arming);
    struct Armed {
        CWakeTimer::Arming arming;
        NightWake wake;
        std::vector<std::string> lines; // of the setting
    };
    // Queues the news of the arming handed over, with what stands against
    // the wake, and lets the scan go.
    Armed TakeOver();
    void Wait(const Armed& armed);

private:
    // Sets the timer for the wake; localTarget is its target, local.
    Armed Arm(const NightWake& wake, const CDateTime& localTarget);

    // Set by the scan, cleared by the scan or by the wake-timer thread once
    // it has queued the arming's news.
    std::atomic<bool> m_scanBusy{false};
    // A scan was asked for while another one held m_scanBusy.
    std::atomic<bool> m_scanPending{false};
    // The arming handed to its thread, which takes it over while the scan
    // is held.
    Armed m_handed;

    // The schedule's next start that has not passed.
    ScheduleScanResult ScanFromNow() const;

    Ports m_ports;
    CNightQueue& m_queue;
    const std::string& m_hostDir;
    const int& m_leadMinutes;
    const std::atomic<bool>& m_stop;
    CWakeTimer m_wakeTimer;
};
