#include "wakeup/app/WakeProof.h"

#include "wakeup/app/NightRules.h"

CWakeProof::~CWakeProof() {
    EndTest();
}

NightEvent CWakeProof::StartTest() {
    EndTest();
    NightEvent failed(NightEvent::wakeTestFailed);
    const CDateTime due = m_ports.clock.NowUtc() + CDateTimeSpan(0, 0, kTestMinutes, 0);
    const IWaitableTimers::Handle timer = m_ports.timers.Create(WAKE_TEST_TIMER_NAME);
    if (!timer) {
        failed.lines.push_back("Wake test failed: unable to create its timer: error " +
                               std::to_string(m_ports.timers.LastError()));
        return failed;
    }
    if (!m_ports.timers.Set(timer, FileTimeOf(due), true,
                            "Wake test of Orvisa's wake-up scheduler")) {
        failed.lines.push_back("Wake test failed: unable to set its timer: error " +
                               std::to_string(m_ports.timers.LastError()));
        m_ports.timers.Close(timer);
        return failed;
    }
    NightEvent armed(NightEvent::wakeTestArmed);
    armed.resumeUnsupported = m_ports.timers.LastError() == IWaitableTimers::kErrorNotSupported;
    armed.wake.due = due;
    m_testTimer = timer;
    return armed;
}

void CWakeProof::EndTest() {
    if (m_testTimer) {
        m_ports.timers.Cancel(m_testTimer);
        m_ports.timers.Close(m_testTimer);
    }
    m_testTimer = 0;
}
