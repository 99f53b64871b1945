#include "wakeup/power/SuspendCountdown.h"

namespace {
const char kCountdownTimerName[] = SUSPEND_COUNTDOWN_TIMER_NAME;
constexpr int64_t kOneMinuteRelative = -600000000; // 100-ns units, relative
constexpr uint32_t kOneMinuteMs = 60000;
} // namespace

void CMinuteTicker::WaitOneMinute(uint32_t& timerError) {
    timerError = 0;
    if (!m_timer)
        m_timer = m_timers.Open(kCountdownTimerName);
    if (!m_timer)
        m_timer = m_timers.Create(kCountdownTimerName);
    if (!m_timer) {
        // Never a busy loop: without the timer the minute is a pause, and
        // the next cycle tries again.
        timerError = m_timers.LastError();
        m_wait.Pause(kOneMinuteMs);
        return;
    }
    m_timers.Set(m_timer, kOneMinuteRelative, false, std::string());
    m_timers.Wait(m_timer);
}
