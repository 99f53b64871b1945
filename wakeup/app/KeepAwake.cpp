#include "wakeup/app/KeepAwake.h"

namespace {
constexpr uint32_t kHeldKinds =
    ES_FLAG_SYSTEM_REQUIRED | ES_FLAG_DISPLAY_REQUIRED | ES_FLAG_AWAYMODE_REQUIRED;
} // namespace

void CKeepAwake::Apply(const NightEffects& effects) {
    if (effects.executionState & ES_FLAG_CONTINUOUS)
        Hold(effects.executionState, effects.holdReason);
    else if (effects.executionState)
        m_ports.power.SetThreadExecutionState(effects.executionState); // a reset, once
    m_ports.session.SetRecordingMark(effects.mark);
    if (effects.nextWakeChanged)
        m_status.SetNextWake(effects.nextWake, effects.wakeWarning);
    m_status.SetKeepAwake(effects.keepAwake);
}

void CKeepAwake::Hold(uint32_t state, const std::string& reason) {
    const uint32_t kinds = state & kHeldKinds;
    if (kinds && m_ports.power.SetPowerRequest(reason.empty() ? "Orvisa" : reason, kinds)) {
        m_requested = kinds;
        m_reason = reason;
        m_ports.power.SetThreadExecutionState(ES_FLAG_CONTINUOUS);
        return;
    }
    if (m_requested)
        m_ports.power.SetPowerRequest(std::string(), 0);
    m_requested = 0;
    m_ports.power.SetThreadExecutionState(state);
}

bool CKeepAwake::OtherProgramAwake(uint32_t own) {
    // The system's state includes this thread's own request, which the
    // host's events may have left set; it is let go for the reading.
    constexpr uint32_t kKeepsAwake = ES_FLAG_SYSTEM_REQUIRED | ES_FLAG_AWAYMODE_REQUIRED;
    const bool ownCounts = (own & kKeepsAwake) != 0;
    const std::string reason = m_reason;
    if (ownCounts)
        Hold(ES_FLAG_CONTINUOUS, std::string());
    uint32_t system = 0;
    const bool read = m_ports.power.ReadSystemExecutionState(system);
    if (ownCounts)
        Hold(own, reason);
    // Not readable: the countdown goes ahead, as it did before it looked.
    return read && (system & kKeepsAwake) != 0;
}
