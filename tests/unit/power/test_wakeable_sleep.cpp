// Whether the countdown's sleep leaves the armed recording's timer able to
// wake the PC: the power source's wake-timer setting, the sleep state a timer
// can wake, the battery's bound.
#include <gtest/gtest.h>

#include "wakeup/power/WakeableSleep.h"

namespace {
constexpr uint32_t kOn = WAKE_TIMERS_ENABLED, kOff = WAKE_TIMERS_DISABLED,
                   kImportant = WAKE_TIMERS_IMPORTANT_ONLY;
const std::string kStart = "3/5/2005 8:00:00 AM";
const std::string kCancelled =
    "Suspend cancelled because the PC could not wake for the recording at " + kStart + ": ";

// S3 and hibernation, the clock waking the deepest given.
WakeAbility Ability(uint32_t onMains, uint32_t onBattery, int rtcWake) {
    WakeAbility ability;
    ability.settingRead = true;
    ability.onMains = onMains;
    ability.onBattery = onBattery;
    ability.capabilitiesRead = true;
    ability.capabilities.standby[2] = true;
    ability.capabilities.hibernate = ability.capabilities.hiberFile = true;
    ability.capabilities.rtcWake = rtcWake;
    return ability;
}

// A PC that lists no sleep state (the request fails to enter one), or one
// with modern standby, which names no S-state: nothing to stand back for.
WakeAbility NoStateListed(bool modernStandby) {
    WakeAbility ability = Ability(kOn, kOn, 0);
    ability.capabilities.standby[2] = ability.capabilities.hibernate = modernStandby;
    ability.capabilities.modernStandby = modernStandby;
    return ability;
}
WakeAbility ModernStandby(int rtcWake, bool hiberFile) {
    WakeAbility ability = Ability(kOn, kOn, rtcWake);
    ability.capabilities.standby[2] = false;
    ability.capabilities.modernStandby = true;
    ability.capabilities.hiberFile = hiberFile;
    return ability;
}

// S3 that the clock ends, hibernation it does not, after `seconds` of
// standby on mains power.
WakeAbility HibernateAfter(uint32_t seconds) {
    WakeAbility ability = Ability(kOn, kOn, POWER_STATE_SLEEPING1 + 2);
    ability.hibernateAfterRead = true;
    ability.hibernateAfterMains = seconds;
    return ability;
}
} // namespace

TEST(WakeableSleep, StandsBackOnlyWhereTheTimerCouldNotWakeThePc) {
    constexpr int kS3 = POWER_STATE_SLEEPING1 + 2, kS4 = POWER_STATE_HIBERNATE;
    struct Case {
        const char* name;
        WakeAbility ability;
        bool onBattery, hibernate, armed;
        int64_t minutesToStart;
        bool sleeps, hibernates;
        std::string line;
    };
    const Case cases[] = {
        {"all allowed", Ability(kOn, kOn, kS4), true, true, true, 30, true, true, ""},
        {"nothing armed", Ability(kOff, kOff, 0), true, true, false, 30, true, true, ""},
        {"battery, timers off", Ability(kOn, kOff, kS4), true, false, true, 30, false, false,
         kCancelled + "on battery, the power plan does not allow wake timers"},
        {"battery, important only", Ability(kOn, kImportant, kS4), true, false, true, 120, false,
         false, kCancelled + "on battery, the power plan allows important wake timers only"},
        {"battery setting on mains", Ability(kOn, kOff, kS4), false, false, true, 30, true, false,
         ""},
        {"mains, timers off, within the bound", Ability(kOff, kOn, kS4), false, false, true, 120,
         false, false, kCancelled + "on mains power, the power plan does not allow wake timers"},
        {"mains, timers off, days away: one rule for both sources", Ability(kOff, kOn, kS4), false,
         false, true, 5000, true, false,
         "Going to sleep although the PC could not wake for the recording at " + kStart +
             " (on mains power, the power plan does not allow wake timers): it will be missed "
             "unless the PC is woken by hand"},
        {"battery beyond the bound", Ability(kOn, kOff, kS4), true, false, true, 121, true, false,
         "Going to sleep on battery although the PC could not wake for the recording at " + kStart +
             " (on battery, the power plan does not allow wake timers): it will be missed "
             "unless the PC is woken by hand or plugged in"},
        {"hibernation unwakeable, standby wakeable", Ability(kOn, kOn, kS3), false, true, true, 30,
         true, false,
         "Suspending instead of hibernating: a timer cannot wake this PC from hibernation for "
         "the recording at " +
             kStart},
        {"no wakeable state", Ability(kOn, kOn, POWER_STATE_SLEEPING1), false, true, true, 30,
         false, true, kCancelled + "a timer cannot wake this PC from hibernation"},
        {"standby unwakeable", Ability(kOn, kOn, POWER_STATE_SLEEPING1), false, false, true, 30,
         false, false, kCancelled + "a timer cannot wake this PC from standby"},
        {"no state listed", NoStateListed(false), false, true, true, 30, true, true, ""},
        {"modern standby", NoStateListed(true), false, false, true, 30, true, false, ""},
        {"modern standby that hibernates for a program", ModernStandby(kS3, true), false, false,
         true, 30, false, false, kCancelled + "a timer cannot wake this PC from hibernation"},
        {"modern standby that hibernates, days away: left to the system's idle",
         ModernStandby(kS3, true), false, false, true, 5000, false, false,
         kCancelled + "a timer cannot wake this PC from hibernation"},
        {"modern standby without hibernation", ModernStandby(kS3, false), false, false, true, 30,
         true, false, ""},
        {"hibernate after an hour: a recording sooner", HibernateAfter(3600), false, false, true,
         60, true, false, ""},
        {"hibernate after an hour: one later", HibernateAfter(3600), false, false, true, 90, false,
         false,
         kCancelled + "the PC hibernates after 60 minutes of standby, and a timer cannot wake it "
                      "from hibernation"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WakeableSleepInputs in;
        in.ability = c.ability;
        in.onBattery = c.onBattery;
        in.hibernate = c.hibernate;
        in.recordingStart = c.armed ? kStart : "";
        in.minutesToStart = c.minutesToStart;
        const WakeableSleep out = ChooseWakeableSleep(in);
        EXPECT_EQ(out.sleep, c.sleeps);
        EXPECT_EQ(out.standsBack, !c.sleeps);
        // Every stand-back holds the system but on a modern standby, whose
        // own idle timers end.
        EXPECT_EQ(out.holds, !c.sleeps && !c.ability.capabilities.modernStandby);
        EXPECT_EQ(out.hibernate, c.hibernates);
        EXPECT_EQ(out.logLine, c.line);
    }
}
