#include "wakeup/app/KeepAwake.h"

#include "wakeup/app/NightRules.h"

void CKeepAwake::AfterPlayerEvent(const PlayerEventReaction& reaction) {
    Apply(m_executionState.AfterPlayerEvent(reaction, m_night.recording, m_night.paused));
}

void CKeepAwake::AfterHoldChange() {
    Apply(m_executionState.AfterAwaitingChange(Holds(), m_night.recording, m_night.paused));
}

bool CKeepAwake::Holds() const {
    return HoldsSystem(m_night, m_marginMinutes, m_ports.clock.NowUtc());
}

void CKeepAwake::Apply(uint32_t state) {
    if (state)
        m_ports.power.SetThreadExecutionState(state);
    m_ports.session.SetRecordingMark(m_night.recording || Holds());
    CDateTime awaited = m_night.awaitedLocal;
    if (!m_night.awaitingRecording) {
        const NightWake* held = RecordingWithin(m_night, m_marginMinutes, m_ports.clock.NowUtc());
        awaited = held ? held->localStart : CDateTime();
    }
    m_status.SetKeepAwake(KeepAwakeText(m_night.recording, m_night.paused,
                                        IsSet(awaited) ? m_ports.dateText.Format(awaited) : ""));
}

bool CKeepAwake::OtherProgramAwake() {
    if (m_night.recording || m_night.paused || Holds())
        return false;
    // The system's state includes this thread's own request, which the
    // host's events may have left set; it is let go for the reading.
    constexpr uint32_t kKeepsAwake = ES_FLAG_SYSTEM_REQUIRED | ES_FLAG_AWAYMODE_REQUIRED;
    const uint32_t own = m_executionState.Applied();
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
