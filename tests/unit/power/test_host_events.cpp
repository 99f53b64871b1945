// The dialog's answers to the host's events and the system's power
// broadcasts.
#include "common/WakeupMessages.h"
#include "tests/unit/schedule/ScheduleFixture.h"

namespace {
constexpr uint32_t kAwake = 0x80000003, kContinuous = 0x80000000, kSystem = 0x80000001;
// A running recording asks for away mode too.
constexpr uint32_t kAwayMode = 0x40;
const char kCancel[] = "\"C:\\Orvisa\\orvisacmd\" message 150 300 2 Auto Suspend Cancelled.";

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

TEST_F(HostEvents, PlayerEventsLogSetTheFlagsAndTheExecutionState) {
    InitWithCountdown(30);
    struct Step {
        int32_t code;
        const char* line; // null: none
        bool recording, paused;
        std::vector<uint32_t> states; // set by this event
    };
    const Step steps[] = {
        {25, "RecordingStarted", true, false, {kAwake | kAwayMode}},
        {0, "Pause", true, true, {}},
        {1, "Resume", true, false, {}},
        {34, "RecordedListChanged", true, false, {}},
        {26, "RecordingStopped", false, false, {kContinuous}},
        // A running recording or paused playback keeps the system required
        // even where the host's table leaves the state alone.
        {27, "RecordingInProgress", true, false, {kSystem | kAwayMode}},
        {26, "RecordingStopped", false, false, {kContinuous}},
        {0, "Pause", false, true, {kSystem}},
        {1, "Resume", false, false, {kContinuous}},
        {2, nullptr, false, false, {kAwake}},
        {-7, nullptr, false, false, {kAwake}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.code);
        m_log.Clear();
        const size_t before = m_power.ExecutionStates().size();
        m_night.minutesLeft = 12;
        Player(step.code);
        EXPECT_EQ(Messages(),
                  step.line ? std::vector<std::string>{step.line} : std::vector<std::string>{});
        EXPECT_EQ(m_night.recording, step.recording);
        EXPECT_EQ(m_night.paused, step.paused);
        const auto states = m_power.ExecutionStates();
        EXPECT_EQ(std::vector<uint32_t>(states.begin() + static_cast<long>(before), states.end()),
                  step.states);
        EXPECT_EQ(m_countdown.Position(), 30); // back to full
        // Other sessions' schedulers see a recording here.
        EXPECT_EQ(m_session.HoldsMark(), step.recording);
    }
    EXPECT_TRUE(m_processes.CommandLines().empty()); // never in the warning phase
}

TEST_F(HostEvents, PlayerEventBelowFiveMinutesLeftSendsTheQuotedCancelNotice) {
    // Without a stored length the count stays at 0, below the threshold:
    // every player event sends the notice.
    Init();
    Player(34);
    EXPECT_EQ(m_processes.CommandLines(), std::vector<std::string>{kCancel});

    m_settings.m_nSuspendMinutes = 30;
    m_progress.SetRange(0, 30);
    m_night.minutesLeft = 5;
    Player(1);
    EXPECT_EQ(m_processes.CommandLines().size(), 1u);
    m_night.minutesLeft = 4;
    Player(1);
    EXPECT_EQ(m_processes.CommandLines(), std::vector<std::string>(2, kCancel));
    EXPECT_EQ(m_countdown.Position(), 30);
}

TEST_F(HostEvents, ScreenEventsLogAndResetTheCountdownOnly) {
    InitWithCountdown(30);
    m_night.minutesLeft = 3;
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_SELECTION_CHANGED, -1);
    EXPECT_EQ(m_countdown.Position(), 30);
    m_night.minutesLeft = 3;
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_OSD_ACTION, 1);
    EXPECT_EQ(m_countdown.Position(), 30);
    m_night.minutesLeft = 3;
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_STATE, 25);
    Send(WAKEUP_MESSAGE, 42, 25);
    Send(0x0401, WAKEUP_MSG_OSD_ACTION, 1);
    EXPECT_EQ(m_countdown.Position(), 3);
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
    EXPECT_EQ(m_arming.m_scanBusy, 0);
    const auto lines = Messages();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Query Suspend, OK");
    EXPECT_EQ(lines[3], "Timer set to: 3/5/2005 8:00:00 AM");
    EXPECT_NE(m_timers.DueTime("KelmarTimer"), 0);
    m_timers.Fire("KelmarTimer");
}

TEST_F(HostEvents, ResumeResetsTheCountdownOnceAfterASuspend) {
    InitWithCountdown(30);
    m_night.minutesLeft = 9;
    Power(7);
    Power(18); // no suspend before: the count stays
    EXPECT_EQ(m_countdown.Position(), 9);
    Power(4);
    EXPECT_TRUE(m_night.suspended);
    Power(18);
    EXPECT_EQ(m_countdown.Position(), 30);
    m_night.minutesLeft = 9;
    Power(7);
    EXPECT_EQ(m_countdown.Position(), 9);
    EXPECT_FALSE(m_night.suspended);
    Power(4);
    Power(7);
    EXPECT_EQ(m_countdown.Position(), 30);
    EXPECT_EQ(Power(10), 0);
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"Resume suspend", "Resume automatic", "Going to suspend",
                                        "Resume automatic", "Resume suspend",
                                        "The PC was woken by the user", "Going to suspend",
                                        "Resume suspend", "The PC was woken by the user"}));
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

TEST_F(HostEvents, FiredWakeHoldsThePcUntilTheHostReportsOrTenMinutesPastTheStart) {
    m_registry.SetDword(kKey, "PVRBufferBegin", 5);
    Init();
    // The clock's next moment: none while nothing waits for one.
    CDateTime next;
    EXPECT_FALSE(NextTick(m_night, 0, m_clock.NowUtc(), next));
    // One recording an hour, from 21:30 on: the first is reported as
    // started, the second as in progress, the third not at all.
    for (const int hour : {21, 22, 23}) {
        const int32_t report = hour == 21 ? 25 : hour == 22 ? 27 : 0;
        const bool reported = report != 0;
        SCOPED_TRACE(reported ? "reported" : "not reported");
        const auto at = [hour](int minute, int second) {
            return CDateTime(2005, 3, 2, hour, minute, second);
        };
        m_clock.Set(at(0, 0));
        WriteSchedule(Program("3-2-2005T" + std::to_string(hour) + ":30", "once"));
        m_arming.Scan();
        RunStartedThreads();
        ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
        m_clock.Set(at(24, 0));
        m_timers.Fire("KelmarTimer");
        JoinWorkers();
        m_log.Clear();
        m_messenger.DeliverPosted();
        const std::string start = m_dateText.Format(at(30, 0));
        EXPECT_EQ(Messages(), std::vector<std::string>{"Woke for the recording at " + start +
                                                       ": keeping the PC awake until it starts"});
        // The rescan once the start has passed comes first.
        ASSERT_TRUE(NextTick(m_night, 0, m_clock.NowUtc(), next));
        EXPECT_NEAR(next.GetVariantDate(), Utc(at(30, 1)).GetVariantDate(), 1e-7);
        EXPECT_EQ(m_power.HeldState(), kSystem);
        EXPECT_TRUE(m_session.HoldsMark());
        EXPECT_EQ(Power(0), 0x424D5144);
        EXPECT_EQ(Messages().back(), "Query Suspend, deny because a recording is about to start");
        if (reported)
            Player(report);
        m_clock.Set(at(40, 0));
        m_events.OnClockTick();
        // Then the hold's end, unless the host ended it.
        EXPECT_EQ(NextTick(m_night, 0, m_clock.NowUtc(), next), !reported);
        if (!reported) {
            EXPECT_NEAR(next.GetVariantDate(), Utc(at(40, 1)).GetVariantDate(), 1e-7);
        }
        m_clock.Set(at(40, 1));
        m_log.Clear();
        m_events.OnClockTick();
        const auto lines = Messages();
        const std::string notStarted =
            "The recording at " + start + " has not started: the PC may sleep again";
        EXPECT_EQ(std::count(lines.begin(), lines.end(), notStarted), reported ? 0 : 1);
        // A report in progress leaves the display as the last event set it.
        const uint32_t held = report == 25 ? kAwake : report == 27 ? kSystem : kContinuous;
        EXPECT_EQ(m_power.HeldState(), held | (reported ? kAwayMode : 0u));
        EXPECT_EQ(m_session.HoldsMark(), reported);
        EXPECT_FALSE(m_night.awaitingRecording);
        EXPECT_FALSE(NextTick(m_night, 0, m_clock.NowUtc(), next));
        if (reported)
            Player(26);
    }
}

TEST_F(HostEvents, FiredWakeTakenAfterANewerArmingLeavesTheNewerOne) {
    Init();
    WriteSchedule(Program("3-2-2005T22:00", "once"));
    m_arming.Scan();
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
    m_arming.Scan();
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
    m_messenger.DeliverPosted();
    EXPECT_EQ(m_night.armed.localStart, CDateTime(2005, 3, 2, 23, 0, 0));
    EXPECT_FALSE(m_night.awaitingRecording) << "too late to hold";
    m_timers.Fire("KelmarTimer");
}
