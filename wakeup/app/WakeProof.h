#pragma once
// The wake test's own timer, two minutes ahead, which the night's step
// judges after the resume (NightStep); the recording's timer is left as it
// is.
#include "wakeup/app/NightStep.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/WaitableTimers.h"

#define WAKE_TEST_TIMER_NAME "KelmarWakeTestTimer"

class CWakeProof {
public:
    struct Ports {
        IWaitableTimers& timers;
        const IClock& clock;
    };

    explicit CWakeProof(const Ports& ports) : m_ports(ports) {}
    ~CWakeProof();
    CWakeProof(const CWakeProof&) = delete;
    CWakeProof& operator=(const CWakeProof&) = delete;

    // Arms the test's timer (a test under way gives way to this one): the
    // event wakeTestArmed with its due moment, or wakeTestFailed.
    NightEvent StartTest();
    void EndTest();

private:
    Ports m_ports;
    IWaitableTimers::Handle m_testTimer = 0;
};
