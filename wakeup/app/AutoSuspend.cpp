#include "wakeup/app/AutoSuspend.h"

#include <algorithm>

void CAutoSuspend::Start() {
    m_ports.threads.Start(ThreadEntry, this);
}

unsigned CAutoSuspend::ThreadEntry(void* countdown) {
    auto* self = static_cast<CAutoSuspend*>(countdown);
    while (!self->m_stop)
        self->PaceMinute();
    return 0;
}

void CAutoSuspend::PaceMinute() {
    uint32_t timerError = 0;
    m_ticker.WaitOneMinute(timerError);
    if (m_stop || (!timerError && CountQuietly()))
        return;
    m_queue.Post(NightEvent(NightEvent::countdownMinute, static_cast<int32_t>(timerError)));
}

bool CAutoSuspend::CountQuietly() {
    int left = m_quietLeft.load();
    if (left <= 0 || m_ports.progress.OnScreen())
        return false;
    if (m_inputCounts.load() && UserInputInTheLastMinute())
        return false;
    // The loop may take the minutes meanwhile: then this one is its to step.
    while (left > 0 && !m_quietLeft.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}

int CAutoSuspend::TakeQuietMinutes() {
    const int counted = m_quietAllowed - m_quietLeft.exchange(0);
    m_quietAllowed = 0;
    return counted;
}

void CAutoSuspend::AllowQuietMinutes(int minutes, bool inputCounts) {
    // Called after TakeQuietMinutes: the thread counts nothing meanwhile.
    m_inputCounts.store(inputCounts);
    m_quietAllowed = std::max(0, minutes);
    m_quietLeft.store(m_quietAllowed);
}

void CAutoSuspend::Show(const NightEffects& effects) {
    if (effects.barRange) {
        m_ports.progress.SetRange(0, effects.barMax);
        if (effects.barStep)
            m_ports.progress.SetStep(-1);
    }
    if (effects.barPos >= 0)
        m_ports.progress.SetPos(effects.barPos);
}

bool CAutoSuspend::UserInputInTheLastMinute() {
    constexpr uint32_t kOneMinuteMs = 60000;
    uint32_t ms = 0;
    return m_ports.session.MillisecondsSinceInput(ms) && ms < kOneMinuteMs;
}
