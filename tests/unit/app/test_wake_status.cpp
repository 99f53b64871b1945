// The line under the log: the next wake with what stands against it, and
// what keeps the PC awake, through the dialog's parts.
#include "common/WakeupMessages.h"
#include "tests/unit/schedule/ScheduleFixture.h"

namespace {
class WakeStatus : public ScheduleTest {};
} // namespace

TEST_F(WakeStatus, SaysWhatKeepsThePcAwakeAndATimerThatCannotWake) {
    m_timers.RefuseResume();
    Init();
    WriteSchedule(Program("3-2-2005T22:00", "once"));
    Scan();
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
    m_messenger.DeliverPosted(); // the timer's news
    const std::string next = "Next wake: " + m_dateText.Format(CDateTime(2005, 3, 2, 22, 0, 0)) +
                             ", but this PC cannot be woken by a timer";
    EXPECT_EQ(m_controls.NextWakes().back(), next);
    // A recording outranks a pause.
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 25);
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 0);
    EXPECT_EQ(m_controls.NextWakes().back(), next + "\nRecording: the PC stays awake");
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 26);
    EXPECT_EQ(m_controls.NextWakes().back(), next + "\nPlayback paused: the PC stays awake");
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 1);
    EXPECT_EQ(m_controls.NextWakes().back(), next);
    // An empty schedule leaves the armed wake, and its line, in force.
    WriteSchedule("");
    Scan();
    EXPECT_EQ(m_controls.NextWakes().back(), next);
    // Said once per run, whatever is armed after.
    WriteSchedule(Program("3-2-2005T23:00", "once"));
    Scan();
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] {
        m_messenger.DeliverPosted();
        const auto lines = Messages();
        return std::count(lines.begin(), lines.end(), "Timer set to: 3/2/2005 11:00:00 PM") &&
               m_timers.Waiters("KelmarTimer") == 1;
    }));
    m_messenger.DeliverPosted();
    const auto lines = Messages();
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "This PC cannot be woken by a timer: the system does not support it"),
              1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(),
                         "Check: the system refused the wake option of the timer"),
              1);
    m_timers.Fire("KelmarTimer");
}
