// The one rule for a sleep, and the machine's sleep states that a timer can
// end.
#include <gtest/gtest.h>

#include <string>

#include "wakeup/power/SleepDecision.h"
#include "wakeup/power/WakeTimerSetting.h"

TEST(SleepDecision, RefusalsComeInOrderAndOnlyTheCountdownStandsBackForTheRest) {
    struct Case {
        SleepState state;
        const char* query;     // the suspend query's line; null: granted
        const char* countdown; // the countdown's line; null: sleeps
    };
    // Each case clears the reason before it, so the next one shows.
    SleepState all;
    all.recording = all.paused = all.countReset = true;
    all.held = "a recording is about to start";
    all.heldAgainstQuery = true;
    all.awayFromConsole = all.otherSessionRecording = all.otherProgramAwake = true;
    all.wakeTimerSet = false;
    all.busyProgram = "comskip.exe";
    SleepState paused = all;
    paused.recording = false;
    SleepState awaiting = paused;
    awaiting.paused = false;
    SleepState reset = awaiting;
    // A hold of the countdown alone ranks after the arming.
    reset.held = "a recording starts at 3/3/2005 8:15:00 PM";
    reset.heldAgainstQuery = false;
    SleepState away = reset;
    away.countReset = false;
    SleepState unarmed = away;
    unarmed.awayFromConsole = false;
    SleepState soon = unarmed;
    soon.wakeTimerSet = true;
    SleepState session = soon;
    session.held.clear();
    SleepState busy = session;
    busy.otherSessionRecording = false;
    SleepState other = busy;
    other.busyProgram.clear();
    const Case cases[] = {
        {all, "Query Suspend, deny because recording is on",
         "Suspend cancelled because recording is on"},
        {paused, "Query Suspend, deny because playback is paused",
         "Suspend cancelled because playback is paused"},
        {awaiting, "Query Suspend, deny because a recording is about to start",
         "Suspend cancelled because a recording is about to start"},
        {reset, "Query Suspend, deny because the host was used meanwhile",
         "Suspend cancelled because the host was used meanwhile"},
        // The rest hold back only the countdown: the user's or the
        // system's own sleep goes ahead.
        {away, nullptr, "Suspend cancelled because this session is not at the console"},
        {unarmed, nullptr, "Suspend cancelled because the wake timer is not set yet"},
        {soon, nullptr, "Suspend cancelled because a recording starts at 3/3/2005 8:15:00 PM"},
        {session, nullptr, "Suspend cancelled because another session is recording"},
        {busy, nullptr, "Suspend cancelled because comskip.exe is running"},
        {other, nullptr, "Suspend cancelled because another program keeps the PC awake"},
        {SleepState(), nullptr, nullptr},
    };
    for (const Case& c : cases) {
        const SleepDecision query = DecideSleep(SleepAsker::suspendQuery, c.state);
        const SleepDecision countdown = DecideSleep(SleepAsker::countdown, c.state);
        SCOPED_TRACE(c.countdown ? c.countdown : "sleeps");
        EXPECT_EQ(query.sleep, c.query == nullptr);
        EXPECT_EQ(query.logLine, c.query ? c.query : "Query Suspend, OK");
        EXPECT_EQ(countdown.sleep, c.countdown == nullptr);
        EXPECT_EQ(countdown.logLine, c.countdown ? c.countdown : "");
    }
}

TEST(SleepCapabilities, WarnsOnlyWithoutAStateTheClockCanWakeFrom) {
    struct Case {
        bool s1, s3, s4, modernStandby;
        int rtcWake;
        bool warns;
    };
    const Case cases[] = {
        {true, false, true, false, 2, false},  // S1, woken from S1 (Wine's answer)
        {false, true, true, false, 4, false},  // S3, woken from S3
        {false, true, true, false, 2, true},   // S3 and S4, the clock wakes from S1 only
        {false, false, true, false, 5, false}, // hibernation only, woken from it
        {false, true, true, false, 0, true},   // the clock wakes from nothing
        {false, false, false, false, 5, true}, // no sleep state at all
        {false, false, false, true, 0, false}, // modern standby: timers end it
    };
    for (const Case& c : cases) {
        SleepCapabilities capabilities;
        capabilities.standby[0] = c.s1;
        capabilities.standby[2] = c.s3;
        capabilities.hibernate = c.s4;
        capabilities.modernStandby = c.modernStandby;
        capabilities.rtcWake = c.rtcWake;
        SCOPED_TRACE(&c - cases);
        EXPECT_EQ(!SleepCapabilityWarning(capabilities).empty(), c.warns);
    }
}
