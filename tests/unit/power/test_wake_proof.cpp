// The wake test and the report after a resume, through the dialog's parts:
// the test's own timer, its sleep request, and the lines after the resume.
#include "common/WakeupMessages.h"
#include "tests/unit/schedule/ScheduleFixture.h"

namespace {
class WakeProof : public ScheduleTest {
protected:
    intptr_t Power(uint32_t event) { return Send(0x0218, event, 0); }

    // Arms the recording at 22:00 (due at 21:59) and returns its line.
    std::string ArmRecording() {
        WriteSchedule(Program("3-2-2005T22:00", "once"));
        Scan();
        RunStartedThreads();
        EXPECT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
        m_messenger.DeliverPosted(); // the timer's news
        return "Next wake: " + m_dateText.Format(CDateTime(2005, 3, 2, 22, 0, 0));
    }
    // The machine sleeps for the request and resumes by itself.
    void SleepFor(const CDateTimeSpan& span) {
        m_power.OnSleep([this, span](bool) {
            Power(4);
            m_clock.Advance(span);
            Power(18);
            return 0u;
        });
    }
    void Settle() {
        m_clock.Advance(CDateTimeSpan(0, 0, 0, kResumeSettleSeconds));
        ClockTick();
    }
    std::vector<std::string> LinesFrom(const std::string& first) {
        const auto lines = Messages();
        const auto at = std::find(lines.begin(), lines.end(), first);
        return std::vector<std::string>(at, lines.end());
    }
};
} // namespace

TEST_F(WakeProof, WakeTestSleepsWithItsOwnTimerAndJudgesTheResume) {
    Init();
    ArmRecording();
    const int64_t recordingDue = m_timers.DueTime("KelmarTimer");
    m_threads.Take();

    // Woken by its timer 20 seconds after the due time.
    SleepFor(CDateTimeSpan(0, 0, 2, 20));
    m_events.StartWakeTest();
    EXPECT_EQ(m_timers.DueTime(WAKE_TEST_TIMER_NAME),
              m_localTime.LocalToUtcFileTime(CDateTime(2005, 3, 2, 21, 2, 0)));
    EXPECT_EQ(m_timers.Calls().back().op, "set-resume");
    for (const auto& started : m_threads.Take())
        started.proc(started.param);
    EXPECT_EQ(m_power.SleepRequests(), std::vector<std::string>{"suspend"});
    Settle();
    EXPECT_EQ(LinesFrom("The PC woke by itself"),
              (std::vector<std::string>{
                  "The PC woke by itself",
                  "Wake test passed: the PC woke by its timer 20 s after the due time"}));
    EXPECT_FALSE(m_timers.Exists(WAKE_TEST_TIMER_NAME));
    EXPECT_EQ(m_timers.DueTime("KelmarTimer"), recordingDue);

    // The request fails: the dialog's thread hears of it and ends the test.
    m_power.OnSleep(nullptr);
    m_power.FailSleep(5);
    m_log.Clear();
    m_events.StartWakeTest();
    for (const auto& started : m_threads.Take())
        started.proc(started.param);
    m_messenger.DeliverPosted();
    EXPECT_EQ(Messages().back(), "Wake test failed: the PC did not go to sleep (error 5)");
    EXPECT_FALSE(m_timers.Exists(WAKE_TEST_TIMER_NAME));

    // Not while a recording runs, nor with one due before the test is over.
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 25);
    EXPECT_EQ(Refusal(0), "The wake test cannot run now: a recording is running.");
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 26);
    EXPECT_EQ(Refusal(0), "");
    m_clock.Set(CDateTime(2005, 3, 2, 21, 44, 0));
    EXPECT_EQ(Refusal(15),
              "The wake test cannot run now: a recording starts at 3/2/2005 10:00:00 PM.");
    // Nor while another session records: the test's sleep would cut it.
    auto marks = std::make_shared<CFakeSession::Marks>();
    CFakeSession other;
    other.ShareMarks(marks);
    m_session.ShareMarks(marks);
    other.SetRecordingMark(true);
    EXPECT_EQ(Refusal(0), "The wake test cannot run now: another session is recording.");
    other.SetRecordingMark(false);
    m_timers.Fire("KelmarTimer");
}

TEST_F(WakeProof, ResumeAfterTheWakeTimeIsReportedWithWhatToCheck) {
    m_power.SetWakeTimerSetting(WAKE_TIMERS_DISABLED, WAKE_TIMERS_ENABLED);
    Init();
    const std::string next = ArmRecording();
    EXPECT_EQ(m_controls.NextWakes().back(), next + ", but wake timers are off in the power plan");
    Power(4);
    // The user wakes the PC at 22:20: the recording's start passed asleep.
    m_clock.Set(CDateTime(2005, 3, 2, 22, 20, 0));
    m_timers.Fire("KelmarTimer"); // the timer's own line comes first
    JoinWorkers();
    Power(18);
    Power(7);
    EXPECT_EQ(LinesFrom("The PC was woken by the user"),
              (std::vector<std::string>{
                  "The PC was woken by the user",
                  "Missed the wake for the recording at 3/2/2005 10:00:00 PM: the PC resumed at "
                  "3/2/2005 10:20:00 PM, 21 min late",
                  "Check: wake timers in the power plan: on mains power disabled, on battery "
                  "enabled",
                  "Check: the PC's sleep states could not be read"}));
    // Too late for the wait: the fired wake holds nothing.
    m_messenger.DeliverPosted();
    EXPECT_FALSE(m_night.awaitingRecording);
}

TEST_F(WakeProof, SuspendBeforeTheTimerIsSetJudgesByTheTargetAndAnUnreportedResumeIsKept) {
    Init();
    WriteSchedule(Program("3-2-2005T22:00", "once"));
    Scan(); // its thread has not run: no due time yet
    m_wait.CapTimeouts(50);
    Power(4);
    m_clock.Set(CDateTime(2005, 3, 2, 22, 0, 30));
    Power(18);
    // Asleep again before the report was due: it is written then.
    Power(4);
    EXPECT_EQ(LinesFrom("The PC woke by itself"),
              (std::vector<std::string>{
                  "The PC woke by itself",
                  "Woke for the recording at 3/2/2005 10:00:00 PM, 30 s after the wake time"}));
    m_threads.Take();
}
