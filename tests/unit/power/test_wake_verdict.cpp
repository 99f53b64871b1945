// What the log says after a resume and of the wake test, from the due
// moments, the resume's time and how it came about.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/FakePlatform.h"
#include "wakeup/power/WakeTimerSetting.h"
#include "wakeup/power/WakeVerdict.h"

namespace {
const CDateTime kDue(2005, 3, 3, 19, 59, 0);
const CDateTime kStart(2005, 3, 3, 20, 0, 0);

CDateTime After(const CDateTime& when, int seconds) {
    return seconds < 0 ? when - CDateTimeSpan(0, 0, 0, -seconds)
                       : when + CDateTimeSpan(0, 0, 0, seconds);
}
} // namespace

TEST(WakeVerdict, ResumeReportFollowsTheDueTimeTheResumeAndWhoStartedIt) {
    enum Kind { recording, test, requestFailed };
    struct Case {
        Kind kind;
        int resumedAfterDue; // seconds; for requestFailed the error
        bool automatic;
        std::vector<std::string> lines; // after the resume's own line
        bool checks;
    };
    const Case cases[] = {
        {recording,
         40,
         true,
         {"Woke for the recording at 3/3/2005 8:00:00 PM, 40 s after the wake time"},
         false},
        // A slow resume from hibernation that nobody started.
        {recording,
         290,
         true,
         {"Woke for the recording at 3/3/2005 8:00:00 PM, 290 s after the wake time"},
         false},
        // The same delay, but the user woke the PC: the timer did not.
        {recording,
         290,
         false,
         {"Missed the wake for the recording at 3/3/2005 8:00:00 PM: the PC resumed at 3/3/2005 "
          "8:03:50 PM, 4 min late"},
         true},
        {recording,
         60,
         false,
         {"Woke for the recording at 3/3/2005 8:00:00 PM, 60 s after the wake time"},
         false},
        // The tolerance of a resume that the user started, to the second.
        {recording,
         61,
         false,
         {"Missed the wake for the recording at 3/3/2005 8:00:00 PM: the PC resumed at 3/3/2005 "
          "8:00:01 PM, 1 min late"},
         true},
        {recording,
         0,
         true,
         {"Woke for the recording at 3/3/2005 8:00:00 PM, 0 s after the wake time"},
         false},
        {recording,
         301,
         true,
         {"Missed the wake for the recording at 3/3/2005 8:00:00 PM: the PC resumed at 3/3/2005 "
          "8:04:01 PM, 5 min late"},
         true},
        // The start passed while the PC slept: reported though the user woke it.
        {recording,
         7200,
         false,
         {"Missed the wake for the recording at 3/3/2005 8:00:00 PM: the PC resumed at 3/3/2005 "
          "9:59:00 PM, 120 min late"},
         true},
        // Before the wake time: the timer stays armed, nothing to say.
        {recording, -600, false, {}, false},
        {test,
         12,
         true,
         {"Wake test passed: the PC woke by its timer 12 s after the due time"},
         false},
        {test,
         200,
         false,
         {"Wake test failed: the PC did not wake by its timer (it resumed 3 min after the due "
          "time)"},
         true},
        {test, -30, false, {"Wake test cancelled: the PC resumed 30 s before the due time"}, false},
        {requestFailed,
         5,
         false,
         {"Wake test failed: the PC did not go to sleep (error 5)"},
         false},
    };
    CFakeDateText dateText;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.kind << " " << c.resumedAfterDue << " " << c.automatic);
        if (c.kind == requestFailed) {
            EXPECT_EQ(WakeTestRequestFailed(static_cast<uint32_t>(c.resumedAfterDue)), c.lines[0]);
            continue;
        }
        ResumeFacts facts;
        facts.resumedAt = facts.resumedAtLocal = After(kDue, c.resumedAfterDue);
        facts.automatic = c.automatic;
        if (c.kind == recording) {
            facts.recordingDue = kDue;
            facts.recordingStart = kStart;
        } else {
            facts.testDue = kDue;
        }
        const ResumeReport report = ReportResume(facts, dateText);
        std::vector<std::string> expected{c.automatic ? "The PC woke by itself"
                                                      : "The PC was woken by the user"};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        EXPECT_EQ(report.lines, expected);
        EXPECT_EQ(report.checks, c.checks);
        EXPECT_EQ(report.testOver, c.kind == test);
    }
}

TEST(WakeVerdict, StatusWarningNamesTheFirstThingThatStandsAgainstTheWake) {
    const struct {
        uint32_t onMains, onBattery;
        int rtcWake; // the deepest state the clock wakes; S3 and hibernation exist
        bool unsupported;
        const char* warning;
    } cases[] = {
        {WAKE_TIMERS_ENABLED, WAKE_TIMERS_ENABLED, POWER_STATE_HIBERNATE, false, ""},
        {WAKE_TIMERS_ENABLED, WAKE_TIMERS_IMPORTANT_ONLY, POWER_STATE_HIBERNATE, false,
         ", but wake timers are off in the power plan on battery"},
        {WAKE_TIMERS_ENABLED, WAKE_TIMERS_ENABLED, POWER_STATE_SLEEPING1, false,
         ", but no sleep state of this PC can be woken by a timer"},
        {WAKE_TIMERS_DISABLED, WAKE_TIMERS_ENABLED, POWER_STATE_SLEEPING1, false,
         ", but wake timers are off in the power plan"},
        {WAKE_TIMERS_DISABLED, WAKE_TIMERS_ENABLED, POWER_STATE_HIBERNATE, true,
         ", but this PC cannot be woken by a timer"},
    };
    for (const auto& c : cases) {
        WakeAbility ability;
        ability.settingRead = ability.capabilitiesRead = true;
        ability.onMains = c.onMains;
        ability.onBattery = c.onBattery;
        ability.capabilities.standby[2] = ability.capabilities.hibernate = true;
        ability.capabilities.rtcWake = c.rtcWake;
        ability.timerUnsupported = c.unsupported;
        EXPECT_EQ(WakeStatusWarning(ability), c.warning) << &c - cases;
    }
    // The states the checks list after a failed wake.
    SleepCapabilities both;
    both.standby[2] = both.hibernate = true;
    both.rtcWake = POWER_STATE_HIBERNATE;
    EXPECT_EQ(TimerWakeableStates(both), "S3, hibernation");
}
