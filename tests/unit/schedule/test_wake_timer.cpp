#include "common/WakeupMessages.h"
#include "tests/unit/schedule/ScheduleFixture.h"
#include "wakeup/app/resource.h"

namespace {
class WakeTimer : public ScheduleTest {
protected:
    // Starts an arming for the target as the scan does, on a thread.
    void Arm(const CDateTime& target) {
        NightEvent unread;
        ASSERT_TRUE(m_arming.BeginScan(unread));
        m_night.armed = {Utc(target), CDateTime(), CDateTime(), CDateTime()};
        ASSERT_TRUE(m_arming.StartArming(m_night.armed, target));
        RunStartedThreads();
    }

    // The log once the threads' news has reached the night.
    std::vector<std::string> Lines() {
        m_messenger.DeliverPosted();
        return Messages();
    }

    bool WaitForMessage(const std::string& message) {
        return WaitUntil([&] {
            const auto m = Lines();
            return std::find(m.begin(), m.end(), message) != m.end();
        });
    }

    // The due time the timer should get for a local wake moment (the fake
    // converter's UTC is local less one hour).
    static int64_t Due(const CDateTime& localWake) {
        return FileTimeOf(localWake - CDateTimeSpan(0, 1, 0, 0));
    }

    const CDateTime m_now{2005, 3, 2, 21, 0, 0};
};
} // namespace

TEST_F(WakeTimer, ArmsSixtySecondsEarlyWithAnAbsoluteDueTimeAndLogsWhenDone) {
    Init();
    const CDateTime target(2005, 3, 2, 23, 5, 30);
    Arm(target);
    ASSERT_TRUE(WaitUntil([&] { return !m_arming.Busy(); }));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Set timer to: 0 days 02:05:30 from now.",
                                                 "Timer set to: 3/2/2005 11:05:30 PM"}));
    EXPECT_EQ(m_timers.DueTime("KelmarTimer"), Due(CDateTime(2005, 3, 2, 23, 4, 30)));
    const auto calls = m_timers.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].op, "open");
    EXPECT_EQ(calls[1].op, "create");
    EXPECT_EQ(calls[2].op, "set-resume");

    m_controls.SetItemText(IDC_HIDDEN_EDIT, "something");
    ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
    m_timers.Fire("KelmarTimer");
    JoinWorkers();
    EXPECT_EQ(Lines().back(), "Timer done for: 3/2/2005 11:05:30 PM");
    EXPECT_EQ(m_controls.GetItemText(IDC_HIDDEN_EDIT), "");
    EXPECT_EQ(m_timers.OpenHandles(), 0);
    EXPECT_FALSE(m_timers.Exists("KelmarTimer"));
    // The window's line and tooltip follow what is armed.
    m_messenger.DeliverPosted();
    EXPECT_EQ(m_controls.NextWakes(), (std::vector<std::string>{"Next wake: 3/2/2005 11:05:30 PM",
                                                                "No recording scheduled"}));
}

TEST_F(WakeTimer, WaitThatEndsWithoutTheTimerSaysCancelledAndDisarms) {
    Init();
    Arm(CDateTime(2005, 3, 2, 23, 5, 30));
    ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
    m_timers.StopWaits(); // the wait fails, the timer has not fired
    JoinWorkers();
    EXPECT_EQ(Lines().back(), "Timer cancelled for: 3/2/2005 11:05:30 PM");
    EXPECT_EQ(m_timers.DueTime("KelmarTimer"), 0);
    m_messenger.DeliverPosted();
    EXPECT_FALSE(IsSet(m_night.rescanAfter)); // no fired wake to take
}

TEST_F(WakeTimer, CloseTargetsWakeAtTheTargetItself) {
    Init();
    const struct {
        int ahead;
        int wakeOffset;
        const char* spanText;
    } cases[] = {
        {61, -60, "0 days 00:01:01"}, {60, 0, "0 days 00:01:00"}, {30, 0, "0 days 00:00:30"}};
    for (const auto& c : cases) {
        m_log.Clear();
        const CDateTime target = m_now + CDateTimeSpan(0, 0, 0, c.ahead);
        Arm(target);
        ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
        EXPECT_EQ(m_timers.DueTime("KelmarTimer"),
                  Due(target + CDateTimeSpan(0, 0, 0, c.wakeOffset)))
            << c.ahead;
        EXPECT_EQ(Lines().front(), std::string("Set timer to: ") + c.spanText + " from now.");
        m_timers.Fire("KelmarTimer");
        JoinWorkers();
        Lines();
    }
}

TEST_F(WakeTimer, PastTargetFiresAtOnce) {
    Init();
    m_timers.SetNow(Due(m_now));
    const CDateTime target = m_now - CDateTimeSpan(0, 0, 0, 30);
    Arm(target);
    JoinWorkers();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Set timer to: -0 days 00:00:30 from now.",
                                                 "Timer set to: 3/2/2005 8:59:30 PM",
                                                 "Timer done for: 3/2/2005 8:59:30 PM"}));
    EXPECT_FALSE(m_arming.Busy());
}

TEST_F(WakeTimer, FailedCreationIsLoggedAndFreesTheScan) {
    Init();
    m_timers.FailCreate(5);
    WriteSchedule(Program("3-4-2005T07:30", "once"));
    Scan();
    RunStartedThreads();
    JoinWorkers();
    EXPECT_EQ(Lines().back(), "Unable to create timer: 5");
    EXPECT_FALSE(m_arming.Busy());
    // The same target is tried again by the next scan.
    m_messenger.DeliverPosted();
    Scan();
    EXPECT_EQ(m_threads.Count(), 1u);
    RunStartedThreads();
    JoinWorkers();
}

namespace {
// The system refuses the setting, or the wake moment cannot be converted to
// a due time (which would be 1601 and fire at once): nothing is armed.
class WakeTimerFailure : public WakeTimer, public ::testing::WithParamInterface<bool> {};
} // namespace

TEST_P(WakeTimerFailure, IsLoggedArmsNothingAndFreesTheScan) {
    Init();
    if (GetParam())
        m_localTime.FailConversion();
    else
        m_timers.FailSet();
    WriteSchedule(Program("3-4-2005T07:30", "once"));
    Scan();
    RunStartedThreads();
    JoinWorkers();
    EXPECT_EQ(Lines().back(), "Unable to set timer to: 3/4/2005 7:30:00 AM");
    EXPECT_FALSE(m_arming.Busy());
    EXPECT_EQ(m_timers.OpenHandles(), 0);
    m_messenger.DeliverPosted();
    EXPECT_EQ(m_night.armed.target, CDateTime());
}
INSTANTIATE_TEST_SUITE_P(SettingRefusedOrMomentUnconvertible, WakeTimerFailure, ::testing::Bool());

TEST_F(WakeTimer, NewerArmingTakesTheTimerOverAndIsNeverUndone) {
    Init();
    for (int round = 0; round < 200; ++round) {
        m_log.Clear();
        const CDateTime first = m_now + CDateTimeSpan(0, 1, round % 50, 0);
        const CDateTime second = m_now + CDateTimeSpan(0, 2, round % 50, 0);
        Arm(first);
        ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
        Arm(second);
        const std::string firstText = m_dateText.Format(first);
        ASSERT_TRUE(WaitForMessage("Timer done for: " + firstText)) << round;
        ASSERT_TRUE(WaitForMessage("Timer set to: " + m_dateText.Format(second))) << round;
        // Both threads are past their settings and cancels once the older
        // one has closed its handle.
        ASSERT_TRUE(WaitUntil([&] { return m_timers.OpenHandles() == 1; })) << round;
        ASSERT_EQ(m_timers.DueTime("KelmarTimer"), Due(second - CDateTimeSpan(0, 0, 1, 0)))
            << "round " << round << ": the newer setting was lost";
        EXPECT_FALSE(m_timers.Signalled("KelmarTimer"));
        m_timers.Fire("KelmarTimer");
        JoinWorkers();
        EXPECT_EQ(Lines().back(), "Timer done for: " + m_dateText.Format(second));
        ASSERT_FALSE(m_timers.Exists("KelmarTimer"));
    }
}

TEST_F(WakeTimer, PowerPlanThatKeepsTheTimerFromWakingIsReported) {
    Init();
    const CDateTime target(2005, 3, 3, 10, 0, 0);
    struct Case {
        bool readable;
        uint32_t mains, battery;
        const char* where; // null: no line
    };
    const Case cases[] = {{false, 0, 0, nullptr},
                          {true, 0, 1, "(on mains power)"},
                          {true, 1, 2, "(on battery)"},
                          {true, 2, 0, "(on mains power and on battery)"},
                          {true, 1, 1, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mains * 10 + c.battery);
        m_log.Clear();
        if (c.readable)
            m_power.SetWakeTimerSetting(c.mains, c.battery);
        Arm(target);
        ASSERT_TRUE(WaitUntil([&] { return !m_arming.Busy(); }));
        const auto lines = Lines();
        ASSERT_EQ(lines.size(), c.where ? 3u : 2u);
        EXPECT_EQ(lines[1], "Timer set to: 3/3/2005 10:00:00 AM");
        if (c.where) {
            EXPECT_NE(lines[2].find(std::string("Wake timers are not allowed by the active power "
                                                "plan ") +
                                    c.where),
                      std::string::npos)
                << lines[2];
            EXPECT_NE(lines[2].find("Allow wake timers"), std::string::npos);
        }
        ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
        m_timers.Fire("KelmarTimer");
        JoinWorkers();
        Lines();
    }
}

// The line under the log: the next wake, what stands against it (said in
// the log once per run) and what keeps the PC awake, a recording first.
TEST_F(WakeTimer, ATimerThatCannotWakeIsSaidUnderTheLogAndOnceInIt) {
    m_timers.RefuseResume();
    Init();
    for (const int hour : {22, 23}) {
        Arm(CDateTime(2005, 3, 2, hour, 0, 0));
        ASSERT_TRUE(
            WaitForMessage("Timer set to: 3/2/2005 " + std::to_string(hour - 12) + ":00:00 PM"));
        // The thread's lines come before it lets the scan go.
        ASSERT_TRUE(WaitUntil([&] { return !m_arming.Busy(); }));
    }
    ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
    const std::string next = "Next wake: " + m_dateText.Format(CDateTime(2005, 3, 2, 23, 0, 0)) +
                             ", but this PC cannot be woken by a timer";
    EXPECT_EQ(m_controls.NextWakes().back(), next);
    const auto lines = Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "This PC cannot be woken by a timer: the system does not support it"),
              1);
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 25);
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 0);
    EXPECT_EQ(m_controls.NextWakes().back(), next + "\nRecording: the PC stays awake");
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 26);
    EXPECT_EQ(m_controls.NextWakes().back(), next + "\nPlayback paused: the PC stays awake");
    m_timers.Fire("KelmarTimer");
}
