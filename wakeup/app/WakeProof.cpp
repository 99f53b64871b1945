#include "wakeup/app/WakeProof.h"

#include "wakeup/app/NightRules.h"
#include "wakeup/power/WakeVerdict.h"

CWakeProof::CWakeProof(const Ports& ports, CWakeUpLog& log, CNightState& night,
                       CScheduleArming& arming, CSleepRequests& sleep,
                       const std::atomic<bool>& hibernate)
    : m_ports(ports), m_log(log), m_night(night), m_arming(arming), m_sleep(sleep),
      m_hibernate(hibernate) {}

CWakeProof::~CWakeProof() {
    EndTest();
}

std::string CWakeProof::TestRefusal(int marginMinutes, const std::string& sleepRefusal) const {
    // A recording due before the test is over, and within the margin after.
    const NightWake* soon =
        RecordingWithin(m_night, marginMinutes + kTestMinutes, m_ports.clock.NowUtc());
    return WakeTestRefusal(m_night.recording, m_night.paused, m_night.awaitingRecording,
                           soon ? m_ports.dateText.Format(soon->localStart) : "", sleepRefusal);
}

void CWakeProof::StartTest() {
    // A test under way gives way to this one.
    EndTest();
    const CDateTimeSpan ahead(0, 0, kTestMinutes, 0);
    const CDateTime due = m_ports.clock.NowUtc() + ahead;
    const IWaitableTimers::Handle timer = m_ports.timers.Create(WAKE_TEST_TIMER_NAME);
    if (!timer) {
        m_log.Add("Wake test failed: unable to create its timer: error " +
                  std::to_string(m_ports.timers.LastError()));
        return;
    }
    if (!m_ports.timers.Set(timer, FileTimeOf(due), true)) {
        m_log.Add("Wake test failed: unable to set its timer: error " +
                  std::to_string(m_ports.timers.LastError()));
        m_ports.timers.Close(timer);
        return;
    }
    const bool unsupported = m_ports.timers.LastError() == IWaitableTimers::kErrorNotSupported;
    m_testTimer = timer;
    m_night.testDue = due;
    m_log.Add("Wake test: the PC goes to sleep now and wakes by its timer at " +
              m_ports.dateText.Format(m_ports.clock.Now() + ahead));
    if (unsupported)
        m_arming.ReportTimerUnsupported();
    // As the countdown asks.
    if (!m_sleep.Start(m_hibernate, SleepOrigin::wakeTest))
        TestRequestFailed(0);
}

void CWakeProof::OnTestRequestDone(uint32_t error) {
    // 0: the PC slept and resumed, and the resume's report judges the test.
    if (error)
        TestRequestFailed(error);
}

void CWakeProof::TestRequestFailed(uint32_t error) {
    if (!IsSet(m_night.testDue))
        return;
    m_log.Add(WakeTestRequestFailed(error));
    EndTest();
}

void CWakeProof::EndTest() {
    if (m_testTimer) {
        m_ports.timers.Cancel(m_testTimer);
        m_ports.timers.Close(m_testTimer);
    }
    m_testTimer = 0;
    m_night.testDue = CDateTime();
}

void CWakeProof::OnSuspend() {
    // A resume not yet reported ends with this sleep: nobody was there.
    if (m_night.resumePending)
        Report(true);
    m_night.sleptWith = m_night.armed;
    // A wake whose timer was not set yet falls back on its target.
    if (!IsSet(m_night.sleptWith.due))
        m_night.sleptWith.due = m_night.sleptWith.target;
    m_night.testAtSleep = IsSet(m_night.testDue);
}

void CWakeProof::OnResume(bool userNotice) {
    if (m_night.suspended) {
        m_night.resumedAt = m_ports.clock.NowUtc();
        m_night.resumedAtLocal = m_ports.clock.Now();
        m_night.resumePending = true;
    }
    // The user's notice follows the automatic one at once when input
    // started the resume; without it the report waits for the settle time.
    if (m_night.resumePending && userNotice)
        Report(false);
}

void CWakeProof::OnClockTick() {
    const CDateTime now = m_ports.clock.NowUtc();
    if (ResumeReportDue(m_night, now))
        Report(true);
    if (TestGivenUp(m_night, now)) {
        m_log.Add("Wake test failed: the PC did not go to sleep");
        EndTest();
    }
}

void CWakeProof::Report(bool automatic) {
    m_night.resumePending = false;
    ResumeFacts facts;
    facts.resumedAt = m_night.resumedAt;
    facts.resumedAtLocal = m_night.resumedAtLocal;
    facts.automatic = automatic;
    facts.recordingDue = m_night.sleptWith.due;
    facts.recordingStart = m_night.sleptWith.localStart;
    if (m_night.testAtSleep && IsSet(m_night.testDue))
        facts.testDue = m_night.testDue;
    const ResumeReport report = ReportResume(facts, m_ports.dateText);
    for (const std::string& line : report.lines)
        m_log.Add(line);
    if (report.checks)
        for (const std::string& line : WakeChecks(ReadWakeAbility(m_ports.power)))
            m_log.Add(line);
    if (report.testOver)
        EndTest();
}
