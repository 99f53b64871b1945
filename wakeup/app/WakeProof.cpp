#include "wakeup/app/WakeProof.h"

#include "wakeup/power/Privilege.h"
#include "wakeup/power/WakeVerdict.h"

namespace {
unsigned RequestOwnSleep(void* proof) {
    static_cast<CWakeProof*>(proof)->RequestSleep();
    return 0;
}
} // namespace

CWakeProof::CWakeProof(const Ports& ports, CWakeUpLog& log, CScheduleArming& arming,
                       const std::atomic<bool>& hibernate)
    : m_ports(ports), m_log(log), m_arming(arming), m_hibernate(hibernate),
      m_threadProc(RequestOwnSleep), m_threadParam(this) {}

CWakeProof::~CWakeProof() {
    if (TestUnderWay()) {
        m_ports.timers.Cancel(m_testTimer);
        m_ports.timers.Close(m_testTimer);
    }
}

void CWakeProof::UseThreadEntry(IThreadStarter::ThreadProc proc, void* param) {
    m_threadProc = proc;
    m_threadParam = param;
}

std::string CWakeProof::TestRefusal(const CHostState& host, int marginMinutes,
                                    const std::string& sleepRefusal) const {
    // A recording due before the test is over, and within the margin after.
    return WakeTestRefusal(host.recording, host.paused, host.awaitingRecording,
                           m_arming.RecordingWithin(marginMinutes + kTestMinutes), sleepRefusal);
}

void CWakeProof::StartTest() {
    // A test under way gives way to this one.
    EndTest();
    const CDateTime due = m_ports.clock.Now() + CDateTimeSpan(0, 0, kTestMinutes, 0);
    const IWaitableTimers::Handle timer = m_ports.timers.Create(WAKE_TEST_TIMER_NAME);
    if (!timer) {
        m_log.Add("Wake test failed: unable to create its timer: error " +
                  std::to_string(m_ports.timers.LastError()));
        return;
    }
    const int64_t dueTime = m_ports.localTime.LocalToUtcFileTime(due);
    if (dueTime == ILocalTimeConverter::kUnconvertible ||
        !m_ports.timers.Set(timer, dueTime, true)) {
        m_log.Add("Wake test failed: unable to set its timer: error " +
                  std::to_string(m_ports.timers.LastError()));
        m_ports.timers.Close(timer);
        return;
    }
    const bool unsupported = m_ports.timers.LastError() == IWaitableTimers::kErrorNotSupported;
    m_testTimer = timer;
    m_testDue = due;
    m_log.Add("Wake test: the PC goes to sleep now and wakes by its timer at " +
              m_ports.dateText.Format(due));
    if (unsupported)
        m_arming.ReportTimerUnsupported();
    if (!m_ports.threads.Start(m_threadProc, m_threadParam))
        OnTestRequestFailed(0);
}

void CWakeProof::RequestSleep() {
    // As the countdown asks.
    if (const uint32_t error = ::RequestSleep(m_ports.power, m_hibernate))
        m_ports.messenger.PostToDialog(kTestRequestFailedMessage, error, 0);
}

void CWakeProof::OnTestRequestFailed(uint32_t error) {
    if (!TestUnderWay())
        return;
    m_log.Add(WakeTestRequestFailed(error));
    EndTest();
}

void CWakeProof::EndTest() {
    if (!TestUnderWay())
        return;
    m_ports.timers.Cancel(m_testTimer);
    m_ports.timers.Close(m_testTimer);
    m_testTimer = 0;
    m_testDue = CDateTime();
}

void CWakeProof::OnSuspend() {
    // A resume not yet reported ends with this sleep: nobody was there.
    if (m_bResumePending)
        Report(true);
    m_bAsleep = true;
    m_sleptWith = m_arming.ArmedWake();
    // A wake whose timer was not set yet falls back on its target.
    if (!(m_sleptWith.due > CDateTime()))
        m_sleptWith.due = m_sleptWith.target;
    m_bTestAtSleep = TestUnderWay();
}

void CWakeProof::OnResume(bool userNotice) {
    if (m_bAsleep) {
        m_bAsleep = false;
        m_resumedAt = m_ports.clock.Now();
        m_bResumePending = true;
    }
    // The user's notice follows the automatic one at once when input
    // started the resume; without it the report waits for the settle time.
    if (m_bResumePending && userNotice)
        Report(false);
}

bool CWakeProof::NextTick(CDateTime& at) const {
    if (m_bResumePending) {
        at = ReportDue();
        return true;
    }
    if (TestUnderWay() && !m_bAsleep) {
        at = TestGivenUpAfter() + CDateTimeSpan(0, 0, 0, 1);
        return true;
    }
    return false;
}

void CWakeProof::OnClockTick() {
    const CDateTime now = m_ports.clock.Now();
    if (m_bResumePending && !(now < ReportDue()))
        Report(true);
    // Asked to sleep, the PC stayed up past the due time and then some: the
    // request returned without a sleep, or something refused it.
    if (TestUnderWay() && !m_bAsleep && !m_bResumePending && now > TestGivenUpAfter()) {
        m_log.Add("Wake test failed: the PC did not go to sleep");
        EndTest();
    }
}

void CWakeProof::Report(bool automatic) {
    m_bResumePending = false;
    ResumeFacts facts;
    facts.resumedAt = m_resumedAt;
    facts.automatic = automatic;
    facts.recordingDue = m_sleptWith.due;
    facts.recordingStart = m_sleptWith.recordingStart;
    if (m_bTestAtSleep && TestUnderWay())
        facts.testDue = m_testDue;
    const ResumeReport report = ReportResume(facts, m_ports.dateText);
    for (const std::string& line : report.lines)
        m_log.Add(line);
    if (report.checks)
        for (const std::string& line : WakeChecks(ReadWakeAbility(m_ports.power)))
            m_log.Add(line);
    if (report.testOver)
        EndTest();
}
