#include "wakeup/app/AutoSuspend.h"

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
    if (!m_stop)
        m_queue.Post(NightEvent(NightEvent::countdownMinute, static_cast<int32_t>(timerError)));
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
