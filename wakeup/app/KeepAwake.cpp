#include "wakeup/app/KeepAwake.h"

void CKeepAwake::Apply(const NightEffects& effects) {
    if (effects.executionState)
        m_ports.power.SetThreadExecutionState(effects.executionState);
    m_ports.session.SetRecordingMark(effects.mark);
    if (effects.nextWakeChanged)
        m_status.SetNextWake(effects.nextWake, effects.wakeWarning);
    m_status.SetKeepAwake(effects.keepAwake);
}

bool CKeepAwake::OtherProgramAwake(uint32_t own) {
    // The system's state includes this thread's own request, which the
    // host's events may have left set; it is let go for the reading.
    constexpr uint32_t kKeepsAwake = ES_FLAG_SYSTEM_REQUIRED | ES_FLAG_AWAYMODE_REQUIRED;
    const bool ownCounts = (own & kKeepsAwake) != 0;
    if (ownCounts)
        m_ports.power.SetThreadExecutionState(ES_FLAG_CONTINUOUS);
    uint32_t system = 0;
    const bool read = m_ports.power.ReadSystemExecutionState(system);
    if (ownCounts)
        m_ports.power.SetThreadExecutionState(own);
    // Not readable: the countdown goes ahead, as it did before it looked.
    return read && (system & kKeepsAwake) != 0;
}
