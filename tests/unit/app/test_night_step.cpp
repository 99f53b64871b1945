// The night's step, one row per case: an event on a state, and what it
// changes and asks for. No threads, no ports.
#include <gtest/gtest.h>

#include <functional>

#include "tests/fakes/FakePlatform.h"
#include "wakeup/app/NightRules.h"
#include "wakeup/app/NightStep.h"
#include "wakeup/power/HostEvents.h"

namespace {
constexpr uint32_t kContinuous = ES_FLAG_CONTINUOUS;
constexpr uint32_t kSystem = kContinuous | ES_FLAG_SYSTEM_REQUIRED;
constexpr uint32_t kAwake = kSystem | ES_FLAG_DISPLAY_REQUIRED;
constexpr uint32_t kAway = ES_FLAG_AWAYMODE_REQUIRED;
const char kCancel[] = "message 150 300 2 Auto Suspend Cancelled.";
const CDateTime kNow(2005, 3, 2, 21, 0, 0);

CDateTime At(int minutes) {
    return kNow + CDateTimeSpan(0, 0, minutes, 0);
}

NightEvent Event(NightEvent::Kind kind, int32_t code = 0) {
    return NightEvent(kind, code);
}

NightEvent Armed(NightEvent::Kind kind, bool armed) {
    NightEvent event(kind);
    event.armed = armed;
    return event;
}

// The recording at +30, its wake at +20, in UTC and local alike.
const NightWake kWake{At(20), At(30), At(19), At(30)};

NightEvent News(NightEvent::Kind kind, bool fired = false) {
    NightEvent event(kind);
    event.wake = kWake;
    event.fired = event.newest = fired;
    event.targetText = "at +20";
    return event;
}

struct Row {
    const char* name;
    std::function<void(CNightState&, NightInputs&)> before;
    NightEvent event;
    std::vector<std::string> log;
    uint32_t executionState; // 0: as it was
    std::vector<std::string> hostCommands;
    // Scan, then wait for the arming and step this (clockTick: no wait).
    bool scan;
    NightEvent::Kind waitThen;
    // What else the row asks of the state and the effects; null: nothing.
    std::function<bool(const CNightState&, const NightEffects&)> also;
};

// The night every row starts from: 12 minutes left of 30, now.
void StartNight(CNightState& night, NightInputs& in,
                const std::function<void(CNightState&, NightInputs&)>& before) {
    night.minutesLeft = 12;
    in.now = in.nowLocal = kNow;
    in.countdownMinutes = 30;
    in.suspendText = "Sleep in %d";
    if (before)
        before(night, in);
}

void RunRows(const std::vector<Row>& rows) {
    const CFakeDateText dateText;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CNightState night;
        NightInputs in(dateText);
        StartNight(night, in, row.before);
        const NightEffects fx = NightStep(night, row.event, in);
        EXPECT_EQ(fx.log, row.log);
        EXPECT_EQ(fx.executionState, row.executionState);
        EXPECT_EQ(fx.hostCommands, row.hostCommands);
        EXPECT_EQ(fx.scan, row.scan);
        EXPECT_EQ(fx.waitMs ? fx.waitThen : NightEvent::clockTick, row.waitThen);
        if (row.also) {
            EXPECT_TRUE(row.also(night, fx));
        }
    }
}

const NightEvent::Kind kNoWait = NightEvent::clockTick;
using Before = std::function<void(CNightState&, NightInputs&)>;
using Also = std::function<bool(const CNightState&, const NightEffects&)>;

Before Left(int minutes) {
    return [minutes](CNightState& n, NightInputs&) { n.minutesLeft = minutes; };
}
Also LeftAfter(int minutes) {
    return
        [minutes](const CNightState& n, const NightEffects&) { return n.minutesLeft == minutes; };
}
const Before kRecording = [](CNightState& n, NightInputs&) {
    n.recordings = 1;
    n.recording = true;
    n.eventState = n.appliedState = kAwake | kAway;
    n.appliedReason = "Orvisa is recording";
};
const Before kAsleep = [](CNightState& n, NightInputs&) { n.suspended = true; };
const Before kArmed = [](CNightState& n, NightInputs&) {
    n.armed = {kWake.target, kWake.recordingStart, CDateTime(), kWake.localStart};
};
const Also kDenied = [](const CNightState&, const NightEffects& fx) { return fx.denyQuery; };
const Also kNoSleep = [](const CNightState& n, const NightEffects& fx) {
    return !fx.requestSleep && !n.warned;
};
Also Sleeps(SleepOrigin origin, bool hibernate) {
    return [=](const CNightState&, const NightEffects& fx) {
        return fx.requestSleep && fx.hibernate == hibernate && fx.sleepOrigin == origin;
    };
}
NightEvent Done(SleepOrigin origin, uint32_t error) {
    NightEvent event(NightEvent::sleepRequestDone, static_cast<int32_t>(error));
    event.origin = origin;
    return event;
}
} // namespace

// clang-format off
TEST(NightStep, TheHostsEvents) {
    const Also full = LeftAfter(30);
    RunRows({
        {"a recording starts: awake, in away mode, the mark", nullptr,
         Event(NightEvent::playerEvent, 25), {"RecordingStarted"}, kAwake | kAway, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) {
             return n.recording && fx.mark && n.minutesLeft == 30 && fx.barPos == 30 &&
                    fx.keepAwake == "Recording: the PC stays awake" && fx.holdReason == "Orvisa is recording"; }},
        {"the last stops: continuous only", kRecording, Event(NightEvent::playerEvent, 26),
         {"RecordingStopped"}, kContinuous, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.recordings == 0 && !n.recording && !fx.mark; }},
        {"in progress keeps the system, which the host's table leaves", nullptr,
         Event(NightEvent::playerEvent, 27), {"RecordingInProgress"}, kSystem | kAway, {}, false, kNoWait, nullptr},
        {"a pause holds the system", nullptr, Event(NightEvent::playerEvent, 0), {"Pause"}, kSystem, {},
         false, kNoWait, [](const CNightState& n, const NightEffects&) { return n.paused; }},
        {"an event outside the table resets the idle timers once and holds nothing", nullptr,
         Event(NightEvent::playerEvent, -7), {}, ES_FLAG_SYSTEM_REQUIRED | ES_FLAG_DISPLAY_REQUIRED, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.eventState == kContinuous && n.appliedState == kContinuous && !fx.mark; }},
        {"in the warning phase: the cancel notice first", Left(4), Event(NightEvent::playerEvent, 1),
         {"Resume"}, 0, {kCancel}, false, kNoWait, full},
        {"no length stored: the count stays at 0, below the warning phase",
         [](CNightState& n, NightInputs& in) { n.minutesLeft = in.countdownMinutes = 0; },
         Event(NightEvent::playerEvent, 34), {"RecordedListChanged"}, 0, {kCancel}, false, kNoWait, nullptr},
        {"the reported recording ends the wake's hold, and is named for Windows' tools",
         [](CNightState& n, NightInputs& in) {
             n.awaitingRecording = true; n.awaitedStart = n.awaitedLocal = At(30); n.awaitedLeadFrom = At(20); n.awaitedChannel = "ARD"; in.now = At(29); },
         Event(NightEvent::playerEvent, 25), {"RecordingStarted"}, kAwake | kAway, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) {
             return !n.awaitingRecording && fx.holdReason == "Recording on ARD from 3/2/2005 9:30:00 PM"; }},
        {"the screen's events reset the count only", nullptr, Event(NightEvent::osdAction),
         {"OSD action."}, 0, {}, false, kNoWait, full},
    });
}

TEST(NightStep, TheSystemsNotices) {
    NightEvent answered(NightEvent::querySuspend);
    answered.answered = true;
    const Before recording = [](CNightState& n, NightInputs& in) { kRecording(n, in); n.eventState = kContinuous; n.appliedState = kSystem | kAway; };
    RunRows({
        {"a query while recording is denied at once", recording, Event(NightEvent::querySuspend),
         {"Query Suspend, deny because recording is on"}, 0, {}, false, kNoWait, kDenied},
        {"a query while woken for a recording is denied",
         [](CNightState& n, NightInputs&) { n.awaitingRecording = true; n.awaitedLocal = At(30); n.appliedState = kSystem; n.appliedReason = "Woken for the recording at 3/2/2005 9:30:00 PM"; },
         Event(NightEvent::querySuspend), {"Query Suspend, deny because a recording is about to start"}, 0, {},
         false, kNoWait, kDenied},
        {"answered while the loop waited: logged, and no second wait", nullptr, answered,
         {"Query Suspend, OK"}, 0, {}, false, kNoWait, nullptr},
        {"the host used meanwhile: the second look denies",
         [](CNightState& n, NightInputs&) { n.resets = 1; }, Armed(NightEvent::queryArmed, true),
         {"Query Suspend, deny because the host was used meanwhile"}, 0, {}, false, kNoWait, kDenied},
        {"a slow arming holds no query up", nullptr, Armed(NightEvent::queryArmed, false), {}, 0, {},
         false, kNoWait, [](const CNightState&, const NightEffects& fx) { return !fx.denyQuery; }},
        {"after its arming: the wake it sleeps with, the file flushed",
         [](CNightState& n, NightInputs&) { n.armed = kWake; }, Armed(NightEvent::suspendArmed, true),
         {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.sleptWith.due == kWake.due && fx.flushMs == kSuspendLogFlushMs; }},
        {"the automatic resume: awake before its scan", kAsleep, Event(NightEvent::resumeAutomatic),
         {"Resume automatic"}, 0, {}, true, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return !n.suspended && n.resumePending && n.minutesLeft == 30 && fx.barPos == 30; }},
        {"the user's resume reports at once", kAsleep, Event(NightEvent::resumeSuspend),
         {"Resume suspend", "The PC was woken by the user"}, 0, {}, true, kNoWait,
         [](const CNightState& n, const NightEffects&) { return !n.suspended && !n.resumePending; }},
        {"a resume with no sleep before changes nothing", nullptr, Event(NightEvent::resumeAutomatic),
         {"Resume automatic"}, 0, {}, false, kNoWait, LeftAfter(12)},
        {"the user minutes after the automatic resume: from full, once",
         [](CNightState& n, NightInputs&) { n.userAwaited = true; }, Event(NightEvent::resumeSuspend),
         {"Resume suspend"}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.minutesLeft == 30 && fx.barPos == 30 && !n.userAwaited; }},
        {"another user switched in", nullptr, Event(NightEvent::sessionChange, 2),
         {"Auto-suspend paused: this session is not at the console"}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.awayFromConsole; }},
        {"back at the console: the count from full",
         [](CNightState& n, NightInputs&) { n.awayFromConsole = true; }, Event(NightEvent::sessionChange, 1),
         {"Auto-suspend resumed: this session is at the console again"}, 0, {}, false, kNoWait, LeftAfter(30)},
        {"the clock changed: the armed target is armed anew", kArmed, Event(NightEvent::clockChange),
         {"The clock or the time zone has changed: the wake timer is set anew"}, 0, {}, true, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.clockChanged; }},
        {"asked to stay awake an hour: said, and under the log", nullptr, Event(NightEvent::stayAwake, 60),
         {"Staying awake until 3/2/2005 10:00:00 PM, as asked"}, kSystem, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) {
             return n.stayAwake && fx.mark && fx.keepAwake == "Staying awake until 3/2/2005 10:00:00 PM" &&
                    fx.holdReason == "Asked to stay awake until 3/2/2005 10:00:00 PM"; }},
        {"until sleep is allowed", nullptr, Event(NightEvent::stayAwake, 0), {"Staying awake until sleep is allowed, as asked"},
         kSystem, {}, false, kNoWait, [](const CNightState& n, const NightEffects&) { return n.stayAwake && !IsSet(n.stayAwakeUntil); }},
        {"the system's query refused while it holds",
         [](CNightState& n, NightInputs&) { n.stayAwake = true; n.appliedState = kSystem; n.appliedReason = "Asked to stay awake until sleep is allowed"; },
         Event(NightEvent::querySuspend),
         {"Query Suspend, deny because the PC was asked to stay awake"}, 0, {}, false, kNoWait, kDenied},
        {"its time has come: let go",
         [](CNightState& n, NightInputs&) { n.stayAwake = true; n.stayAwakeUntil = n.stayAwakeUntilLocal = At(0); n.appliedState = kSystem; },
         Event(NightEvent::clockTick), {"The stay-awake request has ended: the PC may sleep again"}, kContinuous, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return !n.stayAwake && !fx.mark; }},
        {"sleep allowed before: let go",
         [](CNightState& n, NightInputs&) { n.stayAwake = true; n.appliedState = kSystem; }, Event(NightEvent::stayAwake, -1),
         {"Sleep allowed again, as asked"}, kContinuous, {}, false, kNoWait, nullptr},
        {"the clock changed with nothing armed: no word of a timer", nullptr, Event(NightEvent::clockChange),
         {"The clock or the time zone has changed"}, 0, {}, true, kNoWait, nullptr},
    });
}
// clang-format on

// The resume's own scan must not take the PC for one going to sleep: the
// fired target would be armed again while it is awake.
TEST(NightStep, TheResumesScanArmsNoFiredTargetAgain) {
    const CFakeDateText dateText;
    NightInputs in(dateText);
    in.now = At(21);
    NightEvent scanned(NightEvent::scanned);
    scanned.read = scanned.found = true;
    scanned.localTarget = scanned.startUtc = scanned.localStart = At(30);
    for (const NightEvent::Kind resume : {NightEvent::resumeAutomatic, NightEvent::resumeSuspend}) {
        CNightState night;
        night.suspended = true;
        night.firedTarget = At(30);
        ASSERT_TRUE(NightStep(night, NightEvent(resume), in).scan);
        EXPECT_FALSE(NightStep(night, scanned, in).armNew) << resume;
    }
    // Going to sleep it is armed again, for the start itself.
    CNightState night;
    night.firedTarget = At(30);
    NightStep(night, NightEvent(NightEvent::suspend), in);
    const NightEffects fx = NightStep(night, scanned, in);
    EXPECT_TRUE(fx.armNew);
    EXPECT_EQ(fx.armLocalTarget, At(30));
}

// clang-format off
TEST(NightStep, TheCountdown) {
    const Before input = [](CNightState& n, NightInputs& in) { n.minutesLeft = 3; in.countUserInput = in.userInput = true; };
    RunRows({
        {"a minute counts down", nullptr, Event(NightEvent::countdownMinute), {}, 0, {}, false, kNoWait, LeftAfter(11)},
        {"the last minutes warn", Left(5), Event(NightEvent::countdownMinute), {}, 0,
         {"message 150 300 59 Sleep in 4"}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.minutesLeft == 4 && n.warned; }},
        {"run out: a look after the arming", Left(1), Event(NightEvent::countdownMinute),
         {"Force suspend because timeout has expired"}, 0, {}, true, NightEvent::countdownArmed, LeftAfter(30)},
        {"input in the warning phase: from full, with the notice", input,
         Event(NightEvent::countdownMinute), {}, 0, {kCancel}, false, kNoWait, LeftAfter(30)},
        {"input not counted", [](CNightState&, NightInputs& in) { in.userInput = true; },
         Event(NightEvent::countdownMinute), {}, 0, {}, false, kNoWait, LeftAfter(11)},
        {"a recording stands the count still", kRecording, Event(NightEvent::countdownMinute), {}, 0,
         {}, false, kNoWait, LeftAfter(12)},
        {"a listed program runs: Windows' idle timer reset, the program kept for the expiry",
         [](CNightState&, NightInputs& in) { in.busyProgram = "comskip.exe"; }, Event(NightEvent::countdownMinute), {},
         ES_FLAG_SYSTEM_REQUIRED, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.busyProgram == "comskip.exe" && n.minutesLeft == 11; }},
        {"a stay-awake request that holds past the expiry: no warning",
         [](CNightState& n, NightInputs&) { n.minutesLeft = 5; n.stayAwake = true; n.stayAwakeUntil = At(60); },
         Event(NightEvent::countdownMinute), {}, kSystem, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.minutesLeft == 4 && !n.warned; }},
        {"traffic above the threshold over the minute: from full, one line for the spell, Windows' idle timer reset",
         [](CNightState& n, NightInputs& in) { n.networkReadAt = At(-1); in.networkRead = true; in.networkBytes = 60 * 2000000ull; in.networkBusyKBps = 500; },
         Event(NightEvent::countdownMinute), {"The network is busy (1.9 MB/s): auto-suspend starts again"}, ES_FLAG_SYSTEM_REQUIRED, {},
         false, kNoWait, [](const CNightState& n, const NightEffects&) { return n.networkBusy && n.minutesLeft == 30; }},
        {"still busy: no second line",
         [](CNightState& n, NightInputs& in) { n.networkBusy = true; n.networkReadAt = At(-1); in.networkRead = true; in.networkBytes = 60 * 2000000ull; in.networkBusyKBps = 500; },
         Event(NightEvent::countdownMinute), {}, ES_FLAG_SYSTEM_REQUIRED, {}, false, kNoWait, LeftAfter(30)},
        {"below the threshold: the spell is over and the count goes on",
         [](CNightState& n, NightInputs& in) { n.networkBusy = true; n.networkReadAt = At(-1); in.networkRead = true; in.networkBytes = 60 * 1024 * 400ull; in.networkBusyKBps = 500; },
         Event(NightEvent::countdownMinute), {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return !n.networkBusy && n.minutesLeft == 11; }},
        {"the first reading has no rate: kept for the next",
         [](CNightState&, NightInputs& in) { in.networkRead = true; in.networkBytes = 60 * 2000000ull; in.networkBusyKBps = 500; },
         Event(NightEvent::countdownMinute), {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.networkReadAt == kNow && n.minutesLeft == 11; }},
        {"a PC no program can sleep counts no more", [](CNightState& n, NightInputs&) { n.sleepRefused = 50; },
         Event(NightEvent::countdownMinute), {}, 0, {}, false, kNoWait, LeftAfter(12)},
        {"its timer failing is said once", nullptr, Event(NightEvent::countdownMinute, 5),
         {"Unable to create the auto-suspend timer: 5"}, 0, {}, false, kNoWait, LeftAfter(11)},
        {"and not again", [](CNightState& n, NightInputs&) { n.tickerFailing = true; },
         Event(NightEvent::countdownMinute, 5), {}, 0, {}, false, kNoWait, LeftAfter(11)},
        {"not armed in time, after a warning: no sleep, and the notice",
         [](CNightState& n, NightInputs&) { n.warned = true; }, Armed(NightEvent::countdownArmed, false),
         {"Suspend cancelled because the wake timer is not set yet"}, 0, {kCancel}, false, kNoWait, kNoSleep},
        {"another program keeps the PC awake", [](CNightState&, NightInputs& in) { in.otherProgramAwake = true; },
         Armed(NightEvent::countdownArmed, true),
         {"Suspend cancelled because another program keeps the PC awake"}, 0, {}, false, kNoWait, kNoSleep},
        {"the wake due within the margin, after a warning: the notice, and why for Windows' tools",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); n.armed.channel = "ARD"; in.marginMinutes = 25; n.warned = true; },
         Armed(NightEvent::countdownArmed, true),
         {"Suspend cancelled because a recording starts at 3/2/2005 9:30:00 PM"}, kSystem, {kCancel}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) {
             return kNoSleep(n, fx) && fx.holdReason == "Waking soon for the recording on ARD at 3/2/2005 9:30:00 PM"; }},
        {"the woken-for recording outranks the margin",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); in.marginMinutes = 25; n.awaitingRecording = true; },
         Armed(NightEvent::countdownArmed, true), {"Suspend cancelled because a recording is about to start"}, kSystem, {},
         false, kNoWait, kNoSleep},
        {"the margin holds back the countdown only: the system's query goes ahead",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); in.marginMinutes = 25; }, Event(NightEvent::querySuspend),
         {"Query Suspend, OK"}, kSystem, {}, true, NightEvent::queryArmed, nullptr},
        {"hibernation turned off on this PC: a standby, said",
         [](CNightState&, NightInputs& in) { in.hibernate = in.ability.capabilitiesRead = true; },
         Event(NightEvent::hiddenButton), {"Suspending instead of hibernating: hibernation is turned off on this PC"},
         0, {}, false, kNoWait, Sleeps(SleepOrigin::button, false)},
        {"and said once",
         [](CNightState& n, NightInputs& in) { in.hibernate = in.ability.capabilitiesRead = n.toldNoHibernation = true; },
         Armed(NightEvent::countdownArmed, true), {}, 0, {}, false, kNoWait, Sleeps(SleepOrigin::countdown, false)},
        {"nor one whose wake will be within the margin when the count runs out",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); n.minutesLeft = 5; in.marginMinutes = 17; },
         Event(NightEvent::countdownMinute), {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.minutesLeft == 4 && !n.warned; }},
        {"standing back for a blocked timer holds the system until the start",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); in.ability.settingRead = true; in.ability.onMains = WAKE_TIMERS_DISABLED; },
         Armed(NightEvent::countdownArmed, true),
         {"Suspend cancelled because the PC could not wake for the recording at 3/2/2005 9:30:00 PM: on mains power, "
          "the power plan does not allow wake timers"}, kSystem, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) {
             return n.stoodBackFor == At(30) && n.standBackHolds && fx.mark && !fx.requestSleep &&
                    fx.holdReason == "The PC could not wake for the recording at 3/2/2005 9:30:00 PM"; }},
        {"plugged in, or the plan changed: the countdown decides again and sleeps",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); n.stoodBackFor = At(30); n.standBackHolds = true; n.appliedState = kSystem; },
         Armed(NightEvent::countdownArmed, true), {}, kContinuous, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return !n.standBackHolds && fx.requestSleep; }},
        {"a stand-back for a recording no longer armed holds nothing",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); n.stoodBackFor = At(80); n.standBackHolds = true; n.appliedState = kSystem; },
         Event(NightEvent::clockTick), {}, kContinuous, {}, false, kNoWait,
         [](const CNightState&, const NightEffects& fx) { return !fx.mark && fx.keepAwake.empty(); }},
        {"a blocked timer within two hours: the system held off its own idle sleep, said once, and no warning",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); n.minutesLeft = 5; in.ability.settingRead = true; in.ability.onMains = WAKE_TIMERS_DISABLED; },
         Event(NightEvent::countdownMinute),
         {"Keeping the PC awake for the recording at 3/2/2005 9:30:00 PM: on mains power, the power plan does not allow wake timers"},
         kSystem, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.minutesLeft == 4 && !n.warned && n.standBackHolds; }},
        {"the timer can wake the PC again (plugged in): the minute lets go",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); n.stoodBackFor = At(30); n.standBackHolds = true; n.appliedState = kSystem; in.ability.settingRead = true; },
         Event(NightEvent::countdownMinute), {}, kContinuous, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return !n.standBackHolds; }},
    });
}

TEST(NightStep, WorkersNewsAndTheClock) {
    RunRows({
        {"the armed wake's timer is set: its due moment, the line", kArmed, News(NightEvent::timerSet),
         {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.armed.due == kWake.due && fx.nextWakeChanged && fx.nextWake == "at +20"; }},
        {"an older arming's news is history", nullptr, News(NightEvent::timerSet), {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return !IsSet(n.armed.due) && !fx.nextWakeChanged; }},
        {"refused: nothing armed", kArmed, News(NightEvent::timerRefused), {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return !IsSet(n.armed.target) && fx.nextWakeChanged && fx.nextWake.empty(); }},
        {"fired while awake: the hold, the rescan after the start",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); in.now = At(19); n.hostProcess = 7; },
         [] { NightEvent e = News(NightEvent::timerEnded, true); e.wake.channel = "ARD"; return e; }(),
         {"The wake for the recording at 3/2/2005 9:30:00 PM is due: keeping the PC awake until it starts"}, kSystem, {},
         false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) {
             return n.awaitingRecording && n.rescanAfter == At(30) && n.firedTarget == At(20) && fx.mark && fx.clearHiddenEdit &&
                    fx.holdReason == "Woken for the recording on ARD at 3/2/2005 9:30:00 PM"; }},
        {"fired, and it woke the PC",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); in.now = n.resumedAt = At(19); n.sleptAt = At(-60); n.sleptWith = n.armed; n.hostProcess = 7; },
         News(NightEvent::timerEnded, true),
         {"Woke for the recording at 3/2/2005 9:30:00 PM: keeping the PC awake until it starts"}, kSystem, {},
         false, kNoWait, nullptr},
        {"armed at the resume for moments later: it woke nothing",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); in.now = n.resumedAt = At(19); n.sleptAt = At(-60); n.sleptWith = NightWake{At(18), At(18), At(17), At(18)}; n.hostProcess = 7; },
         News(NightEvent::timerEnded, true),
         {"The wake for the recording at 3/2/2005 9:30:00 PM is due: keeping the PC awake until it starts"}, kSystem, {},
         false, kNoWait, nullptr},
        {"fired after the user had woken the PC",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); in.now = At(19); n.sleptAt = At(-60); n.resumedAt = At(-30); n.hostProcess = 7; },
         News(NightEvent::timerEnded, true),
         {"The wake for the recording at 3/2/2005 9:30:00 PM is due: keeping the PC awake until it starts"}, kSystem, {},
         false, kNoWait, nullptr},
        {"armed after its lead time began (a sleep within it): the lead still counts from the scan's target",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); n.upcoming = {At(15), At(30), CDateTime(), At(30)}; in.now = At(19); n.hostProcess = 7; },
         News(NightEvent::timerEnded, true),
         {"The wake for the recording at 3/2/2005 9:30:00 PM is due: keeping the PC awake until it starts"}, kSystem, {},
         false, kNoWait, [](const CNightState& n, const NightEffects&) { return n.awaitedLeadFrom == At(15); }},
        {"fired too late for a hold", [](CNightState&, NightInputs& in) { in.now = At(41); },
         News(NightEvent::timerEnded, true), {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return !n.awaitingRecording; }},
        {"the hold runs out: the system let go",
         [](CNightState& n, NightInputs&) { n.awaitingRecording = true; n.awaitedStart = n.awaitedLocal = At(-11); n.appliedState = kSystem; },
         Event(NightEvent::clockTick),
         {"The recording at 3/2/2005 8:49:00 PM has not started: the PC may sleep again"}, kContinuous, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return !n.awaitingRecording && !fx.mark; }},
        {"the hold runs out while the host records: it says so, and the host's absence goes",
         [](CNightState& n, NightInputs& in) { kRecording(n, in); n.awaitingRecording = true; n.awaitedStart = n.awaitedLocal = At(-11); n.hostMissingFor = At(-11); },
         Event(NightEvent::clockTick),
         {"The recording at 3/2/2005 8:49:00 PM was not reported: a recording is running, which keeps the PC awake"}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return !n.awaitingRecording && !IsSet(n.hostMissingFor) && fx.keepAwake == "Recording: the PC stays awake"; }},
        {"the wake test's timer armed as a wake fires: refused then, its timer ended, no sleep",
         [](CNightState& n, NightInputs&) { n.awaitingRecording = true; },
         [] { NightEvent e(NightEvent::wakeTestArmed); e.wake.due = At(2); return e; }(),
         {"The wake test cannot run now: the PC was woken for a recording that is about to start."}, kSystem, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return fx.endTestTimer && !fx.requestSleep && !IsSet(n.testDue); }},
        {"found within its lead time, awake: nothing armed, and a scan after its start arms the next",
         [](CNightState&, NightInputs& in) { in.now = At(25); },
         [] { NightEvent e(NightEvent::scanned); e.read = e.found = true; e.localTarget = At(20); e.localStart = e.startUtc = At(30); return e; }(),
         {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return !fx.armNew && n.rescanAfter == At(30); }},
        {"an empty schedule leaves the armed wake, and its line",
         kArmed, [] { NightEvent e(NightEvent::scanned); e.read = true; return e; }(), {"No new schedule found"}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return IsSet(n.armed.target) && !fx.nextWakeChanged; }},
        {"the fired start has passed: a scan", [](CNightState& n, NightInputs&) { n.rescanAfter = At(-1); },
         Event(NightEvent::clockTick), {}, 0, {}, true, kNoWait,
         [](const CNightState& n, const NightEffects&) { return !IsSet(n.rescanAfter); }},
        {"wake timers allowed: the line under the log without the plan's warning",
         [](CNightState& n, NightInputs& in) { kArmed(n, in); n.armedText = "at +20"; },
         Event(NightEvent::wakeTimersAllowed), {"Wake timers allowed in the active power plan, on mains power and on battery"},
         0, {}, false, kNoWait,
         [](const CNightState&, const NightEffects& fx) { return fx.nextWakeChanged && fx.nextWake == "at +20" && fx.wakeWarning.empty(); }},
        {"asked as an administrator: nothing claimed", kArmed, Armed(NightEvent::wakeTimersAllowed, true),
         {"Asked Windows to allow wake timers in the active power plan, as an administrator: the next wake timer shows whether they are allowed"},
         0, {}, false, kNoWait, [](const CNightState&, const NightEffects& fx) { return !fx.nextWakeChanged; }},
        {"refused", nullptr, Event(NightEvent::wakeTimersAllowed, 1314),
         {"Unable to allow wake timers in the active power plan: error 1314"}, 0, {}, false, kNoWait, nullptr},
        {"refused for another reason: the count goes on", nullptr, Done(SleepOrigin::countdown, 5),
         {"Suspend failed: error 5"}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.sleepRefused == 0; }},
        {"the hibernate box changed: the countdown tries anew",
         [](CNightState& n, NightInputs&) { n.sleepRefused = 50; }, Event(NightEvent::hibernateChanged), {}, 0, {},
         false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.sleepRefused == 0 && n.minutesLeft == 30; }},
        {"no thread for the request", nullptr, Done(SleepOrigin::button, NightEvent::kNoThread),
         {"Suspend failed: no thread for the request"}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.sleepRefused == 0; }},
    });
}

TEST(NightStep, TheHostAsItIs) {
    // One recording runs, counted for the start at +5; the next starts at
    // +30 and its lead time has begun.
    const Before oneRunning = [](CNightState& n, NightInputs& in) {
        kRecording(n, in);
        n.recordings = 1;
        n.counted = {At(5)};
        n.upcoming = {At(20), At(30), CDateTime(), At(30)};
        in.now = At(25);
        n.hostProcess = 7;
    };
    const auto count = [](int recordings) {
        return [recordings](const CNightState& n, const NightEffects&) { return n.recordings == recordings && n.recording == (recordings > 0); };
    };
    const Before twoAtOnce = [&](CNightState& n, NightInputs& in) { oneRunning(n, in); n.counted = {At(30)}; n.upcoming.then = 2; };
    const Before woken = [](CNightState& n, NightInputs& in) { kArmed(n, in); in.now = n.resumedAt = At(19); n.sleptAt = At(-60); n.sleptWith = n.armed; };
    RunRows({
        {"a second tuner's start near another scheduled start counts", oneRunning,
         Event(NightEvent::playerEvent, 25), {"RecordingStarted"}, kAwake | kAway, {}, false, kNoWait, count(2)},
        {"a start reported twice counts once", [&](CNightState& n, NightInputs& in) { oneRunning(n, in); n.counted = {At(30)}; },
         Event(NightEvent::playerEvent, 25), {"RecordingStarted"}, kAwake | kAway, {}, false, kNoWait, count(1)},
        {"two recordings at one start count two", twoAtOnce, Event(NightEvent::playerEvent, 25),
         {"RecordingStarted"}, kAwake | kAway, {}, false, kNoWait, count(2)},
        {"two at one start, one stopped: the start reported again is the other's",
         [&](CNightState& n, NightInputs& in) { twoAtOnce(n, in); n.stoppedLately = {At(30)}; },
         Event(NightEvent::playerEvent, 25), {"RecordingStarted"}, kAwake | kAway, {}, false, kNoWait, count(1)},
        {"a start the scan has passed, minutes ago, counts",
         [&](CNightState& n, NightInputs& in) { oneRunning(n, in); n.counted = {At(20)}; n.upcoming = NightWake(); n.startedLately = {At(20), At(21)}; },
         Event(NightEvent::playerEvent, 25), {"RecordingStarted"}, kAwake | kAway, {}, false, kNoWait, count(2)},
        {"a start long before the woken-for lead time is another's: the wait goes on",
         [&](CNightState& n, NightInputs& in) { oneRunning(n, in); n.recordings = 0; n.counted.clear(); n.awaitingRecording = true; n.awaitedStart = n.awaitedLeadFrom = At(30); in.now = At(29); },
         Event(NightEvent::playerEvent, 25), {"RecordingStarted"}, kAwake | kAway, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects&) { return n.recordings == 1 && n.awaitingRecording; }},
        {"a start no schedule explains counts once", [&](CNightState& n, NightInputs& in) { oneRunning(n, in); n.upcoming = NightWake(); },
         Event(NightEvent::playerEvent, 25), {"RecordingStarted"}, kAwake | kAway, {}, false, kNoWait, count(1)},
        {"a stop that leaves one running keeps the system", [&](CNightState& n, NightInputs& in) { oneRunning(n, in); n.recordings = 2; },
         Event(NightEvent::playerEvent, 26), {"RecordingStopped", "Another recording is still running: the PC stays awake"},
         kSystem | kAway, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.recordings == 1 && fx.mark; }},
        {"in progress is one at least", [&](CNightState& n, NightInputs& in) { oneRunning(n, in); n.recordings = 2; },
         Event(NightEvent::playerEvent, 27), {"RecordingInProgress"}, 0, {}, false, kNoWait, count(2)},
        {"the host seen: its end watched", nullptr, Event(NightEvent::hostProcess, 7), {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.hostProcess == 7 && fx.watchHost == 7; }},
        {"the same host again: watched already", oneRunning, Event(NightEvent::hostProcess, 7), {}, 0, {}, false,
         kNoWait, [](const CNightState&, const NightEffects& fx) { return fx.watchHost == 0; }},
        {"the host ended while recording: let go, the count from full",
         [&](CNightState& n, NightInputs& in) { oneRunning(n, in); n.recordings = 2; n.paused = true; },
         Event(NightEvent::hostEnded, 7), {"The host has ended: its recording and pause no longer keep the PC awake"},
         kContinuous, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) {
             return n.recordings == 0 && !n.recording && !n.paused && !fx.mark && n.minutesLeft == 30 && n.hostProcess == 0; }},
        {"an older host's end is history", oneRunning, Event(NightEvent::hostEnded, 6), {}, 0, {}, false, kNoWait, count(1)},
        {"the host ended with nothing running", [](CNightState& n, NightInputs&) { n.hostProcess = 7; },
         Event(NightEvent::hostEnded, 7), {"Orvisa has ended"}, 0, {}, false, kNoWait, LeftAfter(12)},
        {"woken with no host: said, and under the log", woken, News(NightEvent::timerEnded, true),
         {"Woke for the recording at 3/2/2005 9:30:00 PM: keeping the PC awake until it starts",
          "Woke for the recording at 3/2/2005 9:30:00 PM, but Orvisa is not running: nothing will record it"},
         kSystem, {}, false, kNoWait,
         [](const CNightState&, const NightEffects& fx) {
             return !fx.startHost && fx.keepAwake == "Orvisa is not running: nothing will record the recording at 3/2/2005 9:30:00 PM"; }},
        {"with its program named, it is started",
         [&](CNightState& n, NightInputs& in) { woken(n, in); in.hostProgram = "C:\\Orvisa\\Orvisa.exe"; },
         News(NightEvent::timerEnded, true),
         {"Woke for the recording at 3/2/2005 9:30:00 PM: keeping the PC awake until it starts",
          "Woke for the recording at 3/2/2005 9:30:00 PM, but Orvisa is not running: nothing will record it"},
         kSystem, {}, false, kNoWait, [](const CNightState&, const NightEffects& fx) { return fx.startHost; }},
        {"its start failed: the follow-up, stepped after the wake's step, names the wake's recording",
         [&](CNightState& n, NightInputs& in) { woken(n, in); in.hostProgram = "Orvisa.exe"; NightStep(n, News(NightEvent::timerEnded, true), in); },
         Event(NightEvent::hostNotStarted), {"Unable to start Orvisa (Orvisa.exe) for the recording at 3/2/2005 9:30:00 PM"},
         0, {}, false, kNoWait, nullptr},
        {"started anew while the host records and pauses: held from the start, its end watched",
         [](CNightState&, NightInputs& in) { in.host = {7, 2, true}; }, Event(NightEvent::hostLookup),
         {"Orvisa is recording: the PC stays awake", "Orvisa's playback is paused: the PC stays awake"}, kSystem | kAway, {},
         false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.recordings == 2 && n.paused && n.hostProcess == 7 && fx.watchHost == 7 && fx.mark; }},
        {"started anew while the host's first message waits in the queue: its counts are left to it",
         [](CNightState&, NightInputs& in) { in.host = {7, 1, true}; in.hostTelling = true; }, Event(NightEvent::hostLookup),
         {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.recordings == 0 && !n.paused && fx.watchHost == 7; }},
        {"woken with a silent host found running: neither absent nor started",
         [&](CNightState& n, NightInputs& in) { woken(n, in); in.hostProgram = "Orvisa.exe"; in.host = {7, 0, false}; },
         News(NightEvent::timerEnded, true), {"Woke for the recording at 3/2/2005 9:30:00 PM: keeping the PC awake until it starts"},
         kSystem, {}, false, kNoWait,
         [](const CNightState&, const NightEffects& fx) { return !fx.startHost && fx.watchHost == 7 && fx.keepAwake.find("not running") == std::string::npos; }},
        {"the known host's record adds nothing to what it said", [&](CNightState& n, NightInputs& in) { oneRunning(n, in); in.host = {7, 3, true}; },
         Event(NightEvent::hostLookup), {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return n.recordings == 1 && !n.paused && fx.watchHost == 0; }},
        {"and seen: the line goes", [](CNightState& n, NightInputs&) { n.hostMissingFor = At(30); },
         Event(NightEvent::hostProcess, 7), {}, 0, {}, false, kNoWait,
         [](const CNightState& n, const NightEffects& fx) { return !IsSet(n.hostMissingFor) && fx.keepAwake.empty(); }},
    });
}
// clang-format on

// clang-format off
TEST(NightStep, QuietMinutesAreTheNextOnesThatOnlyCount) {
    const CFakeDateText dateText;
    struct QuietRow {
        const char* name;
        Before before;
        int most;
        int quiet;
    };
    const QuietRow rows[] = {
        {"from 12: down to 5, the next one warns", nullptr, 60, 7},
        {"no more than allowed", nullptr, 3, 3},
        {"the next one warns", Left(5), 60, 0},
        {"a recording stands the count still", kRecording, 60, 0},
        {"a recording within the stand-back reads the plan", kArmed, 60, 0},
        {"the minute's timer failed: its next minute says so", [](CNightState& n, NightInputs&) { n.tickerFailing = true; }, 60, 0},
        {"no countdown", [](CNightState&, NightInputs& in) { in.countdownMinutes = 0; }, 60, 0},
    };
    for (const QuietRow& row : rows) {
        SCOPED_TRACE(row.name);
        CNightState night;
        NightInputs in(dateText);
        StartNight(night, in, row.before);
        // What the last step showed, as the loop keeps it.
        CNightState copy = night;
        const NightEffects shown = NightStep(copy, Event(NightEvent::clockTick), in);
        EXPECT_EQ(QuietMinutes(night, in, shown, row.most), row.quiet);
        NightEffects other = shown;
        other.keepAwake += " and more";
        EXPECT_EQ(QuietMinutes(night, in, other, row.most), 0);
    }
}
// clang-format on
