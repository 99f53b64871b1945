#pragma once
// The night's one step: every event the scheduler learns of, from the host,
// the system, its worker threads or the user, goes through NightStep, which
// alone changes the night's state and returns what to do about it. The loop
// (CHostEventHandler) turns messages into events, steps them one at a time
// and carries the effects out through the parts; the order inside each
// event is written here, once.
#include <cstdint>
#include <string>
#include <vector>

#include "wakeup/app/NightState.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/HostLookup.h"
#include "wakeup/power/SleepDecision.h"
#include "wakeup/power/WakeVerdict.h"

// Who asked for a sleep.
enum class SleepOrigin : int32_t { countdown = 0, button = 1, wakeTest = 2 };

struct NightEvent {
    enum Kind {
        // The host, through the extension module.
        playerEvent, // code: the player's event
        osdAction,
        selectionChanged, // code: the selection
        scheduleChanged,
        // The system.
        querySuspend,
        suspend,
        resumeSuspend,
        resumeAutomatic,
        sessionChange, // code: the session event
        clockChange,
        sessionEnd,
        // A scan was asked for while another was under way.
        rescan,
        // The scan read the schedule (scan) and found its next start; its
        // start converted to UTC (startUtc, unset where it cannot be).
        scanned,
        // The arming's thread could not be started.
        armNotStarted,
        // The host's process (code: its id), as the module tells it; its
        // end; and a watch or a start of the host that failed.
        hostProcess,
        hostEnded,
        // The scheduler has started: the host as its record says.
        hostLookup,
        hostUnwatched,
        hostStarted,
        hostNotStarted,
        // A wake-timer thread's news about `wake`, with the lines it has for
        // the log.
        timerSet,
        timerRefused,
        timerEnded,
        // The countdown thread's minute (code: its timer's error, 0 when it
        // paced the minute).
        countdownMinute,
        // Minutes the countdown thread counted on its own, none of which
        // changed anything but the count (code: how many; QuietMinutes). With
        // code 0, only what the thread counted so far is stepped: the bar
        // comes on screen.
        quietMinutes,
        // A sleep request returned with the system's error in code (0: the
        // PC slept and resumed), or found no thread (code: kNoThread).
        sleepRequestDone,
        // The moments NextTick names.
        clockTick,
        // The user: the wake test (its timer set, or why not), the hidden
        // button, the countdown's length changed, the settings loaded, other
        // settings changed in the Options dialog.
        wakeTestArmed,
        wakeTestFailed,
        hiddenButton,
        hibernateChanged,
        settingsChanged,
        // Stay awake (code: minutes; 0 until sleep is allowed; below 0:
        // allow sleep).
        stayAwake,
        // The command that allows wake timers in the active plan: code, its
        // error; armed, whether it was asked for as an administrator.
        wakeTimersAllowed,
        countdownLengthChanged,
        countdownStart,
        // After the wait for an arming that a step asked for: the query's,
        // the suspend notice's and the expired countdown's second look.
        queryArmed,
        suspendArmed,
        countdownArmed,
    };
    static constexpr uint32_t kNoThread = 0xFFFFFFFF;

    Kind kind;
    int32_t code = 0;
    SleepOrigin origin = SleepOrigin::countdown;
    // Timer news and the wake test's timer.
    NightWake wake;
    bool fired = false;  // timerEnded: by its own due time
    bool newest = false; // timerEnded: no newer arming holds the timer
    bool resumeUnsupported = false;
    std::string targetText; // timerSet: the status line's target
    std::string warning;    // timerSet: what stands against the wake
    std::vector<std::string> lines;
    // scanned: whether the file was read, whether a start was found, its
    // local wake target and start, and its start in UTC.
    bool read = false;
    bool found = false;
    CDateTime localTarget;
    CDateTime localStart;
    CDateTime startUtc;
    // scanned: the found recording's channel.
    std::string channel;
    // scanned: the starts of the last quarter hour, in UTC.
    std::vector<CDateTime> startedLately;
    // The *Armed events: whether the wait ended with the arming done. Queued
    // by the loop with waitMs set: it waits that long for the arming first
    // (serving a scan asked for meanwhile, scansServed so far), and queues
    // the event again, behind what came meanwhile, to be stepped.
    bool armed = false;
    uint32_t waitMs = 0;
    int scansServed = 0;
    // A query answered at once while the loop waited; the step logs it.
    bool answered = false;

    NightEvent(Kind k = clockTick, int32_t c = 0) : kind(k), code(c) {}
};

// What the step reads of the world at its moment.
struct NightInputs {
    explicit NightInputs(const IDateText& text) : dateText(text) {}

    const IDateText& dateText; // dates as the log writes them
    CDateTime now;             // UTC
    CDateTime nowLocal;        // for the lines that give the time
    // The settings.
    int countdownMinutes = 0;
    int marginMinutes = 0;
    bool countUserInput = false;
    bool hibernate = false;
    std::string suspendText;
    std::string hostProgram;
    // countdownMinute: keyboard or mouse input in the last minute.
    bool userInput = false;
    // countdownMinute: the first program of "KeepAwakePrograms" that runs.
    std::string busyProgram;
    // countdownMinute with "NetworkBusyKBps" set: the network's byte
    // counters (networkRead: they were read), and the threshold.
    bool networkRead = false;
    uint64_t networkBytes = 0;
    int networkBusyKBps = 0;
    // countdownArmed: what else stands against the countdown's sleep.
    bool otherSessionRecording = false;
    bool otherProgramAwake = false;
    bool onBattery = false;
    // The host as its record says, read where LooksForHost says.
    HostSeen host;
    // The host's own first message to this window waits in the queue: what
    // the record counts, its messages behind it will say.
    bool hostTelling = false;
    // What the plan and the machine say about waking by a timer; read for
    // the events whose lines may need it (NeedsWakeAbility).
    WakeAbility ability;
};

// What to carry out, in this order: the log lines, the execution state and
// the mark, the status line, the bar, the notices to the host's screen, the
// timers, then the scan and the wait.
struct NightEffects {
    std::vector<std::string> log;
    // The thread's execution state (0: as it is) and the mark other
    // sessions see (always applied); with a continuous state that holds
    // something, why, as Windows' tools show a power request's reason.
    uint32_t executionState = 0;
    std::string holdReason;
    bool mark = false;
    // The line under the log: its wake part when nextWakeChanged, the keep
    // -awake part always.
    bool nextWakeChanged = false;
    std::string nextWake; // empty: nothing armed
    std::string wakeWarning;
    std::string keepAwake;
    // The bar: its range anew (with its step) and its position.
    bool barRange = false;
    bool barStep = false;
    int barMax = 0;
    int barPos = -1; // -1: as it is
    // Arguments of the host's command tool, one run each.
    std::vector<std::string> hostCommands;
    // The wake timer: arm `arm` for the local moment armTarget.
    bool armNew = false;
    NightWake arm;
    CDateTime armLocalTarget;
    // Watch the host's process with this id (0: as it is); start the
    // host's program.
    uint32_t watchHost = 0;
    bool startHost = false;
    // The wake test's timer ends.
    bool endTestTimer = false;
    // A wake timer's wait has ended: the hidden edit is emptied.
    bool clearHiddenEdit = false;
    // A sleep request on a thread of its own.
    bool requestSleep = false;
    bool hibernate = false;
    SleepOrigin sleepOrigin = SleepOrigin::countdown;
    // The answer to the system's query (true: deny).
    bool denyQuery = false;
    // The log file gets its lines within this many milliseconds (0: no wait).
    uint32_t flushMs = 0;
    // Scan the schedule now; then, with waitMs, queue the second look
    // waitThen, before which the loop waits for the arming at most waitMs.
    bool scan = false;
    NightEvent::Kind waitThen = NightEvent::clockTick;
    uint32_t waitMs = 0;

    bool operator==(const NightEffects&) const = default;
};

// How long a sleep waits for the wake timer to be set.
constexpr uint32_t kArmingTimeoutMs = 5000;
// The system gives the suspend notice about two seconds; the whole handling
// stays within one and a half.
constexpr uint32_t kSuspendArmingTimeoutMs = 1200;
// The log file's lines are on the disk before a sleep; with the arming's
// wait the suspend notice stays within about one and a half seconds.
constexpr uint32_t kSuspendLogFlushMs = 300;
// Logoff or shutdown: the system ends the process soon after.
constexpr uint32_t kSessionEndFlushMs = 2000;

NightEffects NightStep(CNightState& night, const NightEvent& event, const NightInputs& in);

// How many of the countdown's next minutes, from in.now on, would change
// nothing but the count, at most `most`: each stepped on a copy of the night
// with no input of the user, at the latest moment it may come (the first at
// its earliest too), leaves the night as it was with one minute less and has
// no effect but the bar's position and what `shown` shows already (the
// mark, the keep-awake text). A minute that reads the machine's wake ability is not
// one of them. The countdown thread counts such minutes without waking the
// dialog's thread while the bar is off the screen; the next step takes them
// (quietMinutes).
int QuietMinutes(const CNightState& night, const NightInputs& in, const NightEffects& shown,
                 int most);

// What decides a sleep now, the night's hold among it; resetsBefore: the
// resets when it was asked.
SleepState SleepStateNow(const CNightState& night, const NightInputs& in, unsigned resetsBefore,
                         bool wakeTimerSet);
// Whether the step of this event may log the wake checks, which read the
// plan and the machine.
bool NeedsWakeAbility(const CNightState& night, NightEvent::Kind kind, const CDateTime& now);
// Whether the minute's step reads them to hold the system off its own
// idle sleep: a recording armed within the stand-back's two hours.
bool ReadsWakeAbility(const CNightState& night, const CDateTime& now);
// Whether the loop looks for the host before the step of this event: at
// the start, at every wake and before a fired wake says the host is absent.
bool LooksForHost(NightEvent::Kind kind);
// Whether the countdown's second look asks if another program keeps the
// system awake: not while the PC records, is paused or held, where the
// sleep is refused anyway (and letting go of the thread's own state to read
// the system's would drop their hold for a moment).
bool AsksOtherPrograms(const CNightState& night, int marginMinutes, const CDateTime& now);
// Why the wake test cannot run now; empty when it can.
std::string WakeTestRefusalNow(const CNightState& night, const NightInputs& in);
