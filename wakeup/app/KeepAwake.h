#pragma once
// What keeps the PC awake, as the night's step decided it: the thread's
// execution state, the mark that other sessions' schedulers see, and the
// second line under the log. It also reads whether another program keeps
// the system awake.
#include <cstdint>

#include "wakeup/app/NightStep.h"
#include "wakeup/app/WakeStatus.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Session.h"

class CKeepAwake {
public:
    struct Ports {
        IPower& power;
        ISession& session;
    };

    CKeepAwake(const Ports& ports, CWakeStatus& status) : m_ports(ports), m_status(status) {}
    CKeepAwake(const CKeepAwake&) = delete;
    CKeepAwake& operator=(const CKeepAwake&) = delete;

    void Apply(const NightEffects& effects);
    // Something other than this scheduler asks the system to stay awake.
    // own: what this thread asks of the system now.
    bool OtherProgramAwake(uint32_t own);

private:
    // A continuous state: by a power request that names the reason where
    // the system has them, else by the thread's execution state.
    void Hold(uint32_t state, const std::string& reason);

    Ports m_ports;
    CWakeStatus& m_status;
    // What the power request holds now (0: none), and why.
    uint32_t m_requested = 0;
    std::string m_reason;
};
