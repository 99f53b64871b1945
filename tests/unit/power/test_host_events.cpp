// The dialog's answers to the host's events and the system's power
// broadcasts.
#include "common/WakeupMessages.h"
#include "tests/unit/schedule/ScheduleFixture.h"

namespace {
constexpr uint32_t kAwake = 0x80000003, kContinuous = 0x80000000, kSystem = 0x80000001;
// A running recording asks for away mode too.
constexpr uint32_t kAwayMode = 0x40;

class HostEvents : public ScheduleTest {
protected:
    void InitWithCountdown(uint32_t minutes) {
        m_registry.SetDword(kKey, "SuspendTime", minutes);
        Init();
    }
    void Player(int32_t code) { Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, code); }
    intptr_t Power(uint32_t event) { return Send(0x0218, event, 0); }
};
} // namespace

TEST_F(HostEvents, ScreenEventsLogAndResetTheCountdownOnly) {
    InitWithCountdown(30);
    m_night.minutesLeft = 3;
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_SELECTION_CHANGED, -1);
    EXPECT_EQ(m_night.minutesLeft, 30);
    m_night.minutesLeft = 3;
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_OSD_ACTION, 1);
    EXPECT_EQ(m_night.minutesLeft, 30);
    m_night.minutesLeft = 3;
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_STATE, 25);
    Send(WAKEUP_MESSAGE, 42, 25);
    Send(0x0401, WAKEUP_MSG_OSD_ACTION, 1);
    EXPECT_EQ(m_night.minutesLeft, 3);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Selection changed to:-1", "OSD action."}));
    EXPECT_TRUE(m_processes.CommandLines().empty());
    EXPECT_TRUE(m_power.ExecutionStates().empty());
}

TEST_F(HostEvents, GrantedQueryAnswersOnlyOnceTheWakeTimerIsSet) {
    Init();
    WriteSchedule(Program("3-5-2005T08:00", "once"));
    // The arming thread runs while the answer waits, as the dialog's thread
    // goes on handling its log lines then.
    m_wait.WhileWaiting([this] { RunStartedThreads(); });
    EXPECT_EQ(Power(0), 0);
    EXPECT_FALSE(m_arming.Busy());
    const auto lines = Messages();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Query Suspend, OK");
    EXPECT_EQ(lines[3], "Timer set to: 3/5/2005 8:00:00 AM");
    EXPECT_NE(m_timers.DueTime("KelmarTimer"), 0);
    m_timers.Fire("KelmarTimer");
}

TEST_F(HostEvents, SuspendNoticeArmsTheLatestScheduleAndTheFirstResumeScansAgain) {
    Init();
    WriteSchedule(Program("3-5-2005T08:00", "once"));
    m_wait.WhileWaiting([this] { RunStartedThreads(); });
    Power(4);
    // Armed before the notice is answered.
    EXPECT_EQ(Messages().front(), "Going to suspend");
    EXPECT_EQ(Messages().back(), "Timer set to: 3/5/2005 8:00:00 AM");
    const int reads = m_files.Reads();
    Power(18);
    Power(7); // the second resume notice of the same wake scans nothing
    EXPECT_EQ(m_files.Reads(), reads + 1);
    m_timers.Fire("KelmarTimer");
}

// On the night the clock goes back, a start in the repeated hour is its
// first occurrence: in the second pass it has passed, though ahead on the
// wall clock, and the next start is armed.
TEST_F(HostEvents, OnceTheClockWentBackTheRepeatedHoursStartHasPassed) {
    m_localTime.UseZoneRules(CentralEuropeRules());
    m_clock.Set(CDateTime(2005, 10, 30, 2, 10, 0));
    m_clock.SetUtcOffset(1); // standard time again
    WriteSchedule(Program("10-30-2005T02:30", "once") + Program("10-30-2005T05:00", "once"));
    m_wait.WhileWaiting([this] { RunStartedThreads(); });
    Power(4);
    EXPECT_EQ(Messages().back(), "Timer set to: 10/30/2005 5:00:00 AM");
    m_timers.Fire("KelmarTimer"); // the timer's thread ends
}

TEST_F(HostEvents, SessionEndSaysTheArmedWakeEndsAndTheFileHasEveryLine) {
    Init();
    Send(0x0016, 1, 0); // nothing armed: no line
    EXPECT_TRUE(Messages().empty());
    WriteSchedule(Program("3-5-2005T08:00", "once"));
    m_wait.WhileWaiting([this] { RunStartedThreads(); });
    Power(4);
    Send(0x0016, 0, 0); // the end was called off
    const std::string ends = "The session ends: the wake for the recording at 3/5/2005 8:00:00 AM "
                             "ends with it";
    EXPECT_NE(Messages().back(), ends);
    Send(0x0016, 1, 0);
    EXPECT_EQ(Messages().back(), ends);
    // In the file at once, not at the writer's next turn.
    EXPECT_NE(m_logFile.Text().find(ends), std::string::npos);
    m_timers.Fire("KelmarTimer");
}

TEST_F(HostEvents, FiredWakeTakenAfterANewerArmingLeavesTheNewerOne) {
    Init();
    WriteSchedule(Program("3-2-2005T22:00", "once"));
    Scan();
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
    m_messenger.DeliverPosted();
    m_clock.Set(CDateTime(2005, 3, 2, 21, 59, 10));
    m_timers.Fire("KelmarTimer");
    JoinWorkers();
    // Long after, before the firing's news is taken, the host moves the
    // recording (a scan right after the due time would wait for the news).
    m_clock.Set(CDateTime(2005, 3, 2, 22, 10, 30));
    WriteSchedule(Program("3-2-2005T23:00", "once"));
    Scan();
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
    m_messenger.DeliverPosted();
    EXPECT_EQ(m_night.armed.localStart, CDateTime(2005, 3, 2, 23, 0, 0));
    EXPECT_FALSE(m_night.awaitingRecording) << "too late to hold";
    m_timers.Fire("KelmarTimer");
}
