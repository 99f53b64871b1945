#pragma once
// The state of the night: everything the rules in NightRules read, in one
// value. Its moments are UTC, as is the clock the rules get: each
// recording's start is converted once, by the zone's rules for its date, so
// that no comparison falls into an hour the wall clock skips or repeats, or
// moves with a change of time zone. The local start is kept for the log.
// Only the night's step (NightStep) changes it, on the dialog's thread; the
// worker threads queue what they learn (a minute passed, a timer set or
// fired, a sleep request returned) as events for the step.
#include <cstdint>
#include <string>
#include <vector>

#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/Power.h"

// A wake: its target (the start less the lead time), the recording's start,
// and the moment its timer is due (unset until the timer is set), in UTC;
// and the start as the schedule gives it, local. An unset target: no such
// wake.
struct NightWake {
    CDateTime target;
    CDateTime recordingStart;
    CDateTime due;
    CDateTime localStart;
    // How many of the schedule's recordings start then.
    int then = 1;
    // The channel of the recording (the first of those that start then).
    std::string channel{};

    bool operator==(const NightWake&) const = default;
};

struct CNightState {
    // What the host and the system have said: the recordings it has
    // reported running (recording: at least one), paused playback.
    int recordings = 0;
    bool recording = false;
    bool paused = false;
    // A second recording counts only where the schedule explains it: the
    // starts the running ones were counted for, oldest first (unset: one
    // that no start explained).
    std::vector<CDateTime> counted;
    // The host's process, watched for its end (0: none seen); and the
    // recording whose wake found no host (unset: none).
    uint32_t hostProcess = 0;
    CDateTime hostMissingFor;
    // From the suspend notice to the first resume notice: the machine is
    // going down or asleep, and a scan arms for the sleep.
    bool suspended = false;
    // Another session has the console (fast user switching).
    bool awayFromConsole = false;
    // The program of "KeepAwakePrograms" that ran at the countdown's last
    // minute; empty when none did.
    std::string busyProgram;
    // The network's byte counters at the last minute that read them (UTC),
    // and whether the traffic was above the setting's threshold then.
    uint64_t networkBytes = 0;
    CDateTime networkReadAt;
    bool networkBusy = false;

    // The hold: woken for the recording at awaitedStart (its lead time from
    // awaitedLeadFrom), which the host has not reported yet.
    bool awaitingRecording = false;
    CDateTime awaitedStart;
    CDateTime awaitedLeadFrom;
    CDateTime awaitedLocal;
    int awaitedThen = 1;
    std::string awaitedChannel;

    // The wake armed now, and the last scan's next recording with its wake
    // target (within its lead time nothing is armed for it).
    NightWake armed;
    NightWake upcoming;
    // The last scan's starts of the last quarter hour: their reports may
    // still come.
    std::vector<CDateTime> startedLately;
    // The starts of the recordings stopped within a quarter hour of them:
    // a start reported again at such a start is one still running (the
    // other tuner's), not another recording.
    std::vector<CDateTime> stoppedLately;
    // The armed wake's target as the line under the log shows it.
    std::string armedText;
    // The target of the last fired wake: armed again only for a sleep.
    CDateTime firedTarget;
    // Once this start has passed, the schedule is scanned again.
    CDateTime rescanAfter;
    // A change of the clock: the next scan arms its target anew.
    bool clockChanged = false;
    // A timer without the resume option has been reported, and a
    // hibernation turned off.
    bool toldUnsupported = false;
    bool toldNoHibernation = false;

    // The thread's execution state: what the host's events last asked for,
    // and what was last set.
    uint32_t eventState = ES_FLAG_CONTINUOUS;
    uint32_t appliedState = ES_FLAG_CONTINUOUS;
    // The reason given with it (HoldReason), as Windows' tools show it.
    std::string appliedReason;

    // The countdown: the minutes left, whether a warning went to the host's
    // screen in this count, the resets so far (a sleep decided after a wait
    // compares them), the system's error for the first refused sleep
    // request, and the recording (its UTC start) it last stood back for,
    // said once and, where the stand-back holds, held until it starts.
    int minutesLeft = 0;
    bool warned = false;
    unsigned resets = 0;
    uint32_t sleepRefused = 0;
    CDateTime stoodBackFor;
    // The user or a script asked the PC to stay awake: until this moment
    // (UTC, and local for the lines), or, unset, until sleep is allowed.
    bool stayAwake = false;
    CDateTime stayAwakeUntil, stayAwakeUntilLocal;
    bool standBackHolds = false;
    // The resets when a sleep was asked for, which the look after the wait
    // for the arming compares; whether the countdown's timer fails.
    unsigned resetsAtAsk = 0;
    bool tickerFailing = false;

    // The wake test's timer is due at testDue (unset: no test under way).
    CDateTime testDue;
    // The resume report: the wake armed at the suspend and whether the test
    // was under way; an automatic resume at resumedAt not yet reported.
    NightWake sleptWith;
    bool testAtSleep = false;
    bool resumePending = false;
    // Resumed with no word of the user yet: the user's notice, when it
    // comes later, puts the countdown back to full.
    bool userAwaited = false;
    // The last suspend notice, and the resume after it.
    CDateTime sleptAt;
    CDateTime resumedAt;
    CDateTime resumedAtLocal;

    bool operator==(const CNightState&) const = default;
};
