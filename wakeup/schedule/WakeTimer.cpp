#include "wakeup/schedule/WakeTimer.h"

#include "wakeup/schedule/WakeTime.h"

namespace {
const char kWakeTimerName[] = WAKE_TIMER_NAME;
}

CWakeTimer::Arming CWakeTimer::Arm(const CDateTime& target, const CDateTime& targetUtc,
                                   const std::string& reason, const Log& log) {
    Arming arming;
    const CDateTimeSpan span = targetUtc - m_clock.NowUtc();
    arming.targetText = m_dateText.Format(target);
    {
        std::lock_guard<std::mutex> lock(m_generationLock);
        arming.generation = ++m_nGeneration;
    }

    IWaitableTimers::Handle timer = m_timers.Open(kWakeTimerName);
    if (timer) {
        // An older arming still waits on the timer: fire it now, which
        // releases that wait (the timer is manual-reset) and this one. An
        // absolute moment long past (not one 100 ns ahead) is signalled at
        // once: under Wine the wait below then need not sleep until the
        // server gets round to the timer.
        constexpr int64_t kLongPast = 1; // 1601, as a file time
        m_timers.Set(timer, kLongPast, true, std::string());
        m_timers.Wait(timer);
    } else {
        timer = m_timers.Create(kWakeTimerName);
    }
    if (!timer) {
        log("Unable to create timer: " + std::to_string(m_timers.LastError()));
        return arming;
    }

    const int32_t seconds = SpanSeconds(span);
    // An absolute due time: since Windows 8 a relative one does not count
    // the time spent in standby or hibernation, and would never wake the
    // machine. It comes from the target's UTC moment, converted with the
    // time-zone rules of its date, so a target beyond a daylight-saving
    // change is still right.
    arming.due = WakeMoment(targetUtc, seconds);
    log("Set timer to: " + FormatSpanText(span) + " from now.");

    // A moment that could not be converted would be 1601: due at once, it
    // would fire now and hold the PC awake for a recording hours away.
    bool set = false;
    if (IsSet(targetUtc)) {
        const int64_t dueTime = FileTimeOf(arming.due);
        // Under the lock, so that an older arming that has just woken can no
        // longer cancel the timer after this setting.
        std::lock_guard<std::mutex> lock(m_generationLock);
        set = m_timers.Set(timer, dueTime, true, reason);
        arming.resumeUnsupported =
            set && m_timers.LastError() == IWaitableTimers::kErrorNotSupported;
    }
    if (!set) {
        log("Unable to set timer to: " + arming.targetText);
        m_timers.Close(timer);
        return arming;
    }
    log("Timer set to: " + arming.targetText);
    arming.set = true;
    arming.timer = timer;
    return arming;
}

CWakeTimer::WaitEnd CWakeTimer::Wait(const Arming& arming, const Log& log) {
    const uint32_t waited = m_timers.Wait(arming.timer);
    log((waited == IWaitableTimers::kWaitObject0 ? "Timer done for: " : "Timer cancelled for: ") +
        arming.targetText);
    WaitEnd end;
    end.newest = LetGo(arming);
    end.fired = end.newest && waited == IWaitableTimers::kWaitObject0;
    return end;
}

bool CWakeTimer::LetGo(const Arming& arming) {
    bool newest = false;
    {
        // A newer arming has taken the timer over: its setting stays.
        std::lock_guard<std::mutex> lock(m_generationLock);
        newest = arming.generation == m_nGeneration;
        if (newest)
            m_timers.Cancel(arming.timer);
    }
    m_timers.Close(arming.timer);
    return newest;
}
