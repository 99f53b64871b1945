#pragma once
// The wake timer: one named, manual-reset waitable timer "KelmarTimer" with
// the resume option, armed from a worker thread that then waits on it, so
// that the log shows when it fired. Each arming hands over to the next
// through the one named timer.
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/WaitableTimers.h"

// The timer that wakes the machine for the next recording.
#define WAKE_TIMER_NAME "KelmarTimer"

class CWakeTimer {
public:
    using Log = std::function<void(const std::string& line)>;

    // One arming, from its setting to the end of its wait.
    struct Arming {
        bool set = false; // false: nothing is armed, the handle is closed
        IWaitableTimers::Handle timer = 0;
        uint32_t generation = 0;
        std::string targetText;
        // The moment the timer is due, in UTC: 60 seconds before the target,
        // or the target itself when it is that close.
        CDateTime due;
        // Set, but the machine cannot be woken by it.
        bool resumeUnsupported = false;
    };

    CWakeTimer(IWaitableTimers& timers, const IClock& clock, const IDateText& dateText)
        : m_timers(timers), m_clock(clock), m_dateText(dateText) {}
    CWakeTimer(const CWakeTimer&) = delete;
    CWakeTimer& operator=(const CWakeTimer&) = delete;

    // Takes the timer over from an older arming and sets it for the target,
    // 60 seconds early. target: the local moment, as the log writes it;
    // targetUtc: the same moment in UTC, which the due time and the time
    // until it are taken from. Logs "Set timer to: " and "Timer set to: ",
    // or why it failed.
    // reason: the wake's, as Windows' tools show it.
    Arming Arm(const CDateTime& target, const CDateTime& targetUtc, const std::string& reason,
               const Log& log);
    // How a wait ended.
    struct WaitEnd {
        // No newer arming had taken the timer over: nothing is armed now.
        bool newest = false;
        // The timer reached its own due time (not handed over, not stopped).
        bool fired = false;
    };
    // Waits until the timer fires or a newer arming takes it over, logs
    // which, and lets the timer go (cancelled unless a newer arming holds it).
    WaitEnd Wait(const Arming& arming, const Log& log);
    // Lets the arming's timer go, cancelled unless a newer arming holds it
    // (false then); also for an arming that nothing will wait for.
    bool LetGo(const Arming& arming);

private:
    IWaitableTimers& m_timers;
    const IClock& m_clock;
    const IDateText& m_dateText;
    // The generation tells an older arming that a newer one has taken the
    // timer over, so that it must not cancel it. Checked and changed under
    // the lock.
    std::mutex m_generationLock;
    uint32_t m_nGeneration = 0;
};
