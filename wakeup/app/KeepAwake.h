#pragma once
// What keeps the PC awake, carried out on the dialog's thread: the thread's
// execution state, the mark that other sessions' schedulers see while this
// one records or the night holds the system (HoldsSystem), and the second
// line under the log. It also reads whether another program keeps the
// system awake.
#include <atomic>

#include "wakeup/app/NightState.h"
#include "wakeup/app/WakeStatus.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Session.h"
#include "wakeup/power/HostEvents.h"

class CKeepAwake {
public:
    struct Ports {
        IPower& power;
        ISession& session;
        const IDateText& dateText;
        const IClock& clock;
    };

    // marginMinutes: the setting, read at each use.
    CKeepAwake(const Ports& ports, const CNightState& night, CWakeStatus& status,
               const std::atomic<int>& marginMinutes)
        : m_ports(ports), m_night(night), m_status(status), m_marginMinutes(marginMinutes) {}
    CKeepAwake(const CKeepAwake&) = delete;
    CKeepAwake& operator=(const CKeepAwake&) = delete;

    // After a player event's flags are in the night's state.
    void AfterPlayerEvent(const PlayerEventReaction& reaction);
    // After anything the hold depends on may have changed: the hold after a
    // wake, the armed wake, the clock.
    void AfterHoldChange();
    // Something other than this scheduler asks the system to stay awake. Not
    // asked while the PC records, is paused or held: the sleep is refused
    // for these anyway, and letting go of the thread's own state to read the
    // system's would drop their hold for a moment.
    bool OtherProgramAwake();

private:
    void Apply(uint32_t state);
    bool Holds() const;

    Ports m_ports;
    const CNightState& m_night;
    CWakeStatus& m_status;
    const std::atomic<int>& m_marginMinutes;
    CExecutionStatePolicy m_executionState;
};
