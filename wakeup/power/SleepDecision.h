#pragma once
// Whether the machine may sleep now: the one rule behind the answer to the
// system's suspend query and behind the countdown's own sleep request. Both
// decide twice, once when asked and once more after waiting for the wake
// timer, because the host's events are handled during that wait.
#include <string>

// Who asks: the log lines differ, and the countdown alone also stands back
// for a session away from the console, a wake timer not yet set, a hold
// that does not refuse the query and another program that keeps the
// machine awake.
enum class SleepAsker { suspendQuery, countdown };

struct SleepState {
    bool recording = false;
    bool paused = false;
    // What the night holds the PC awake for, as the refusal's line ends it;
    // empty: nothing. One against the query ranks before the host's use.
    std::string held;
    bool heldAgainstQuery = false;
    // The count was put back to full since the sleep was asked for: the
    // host or the system was active meanwhile.
    bool countReset = false;
    // Every schedule request has been scanned and its wake timer set.
    bool wakeTimerSet = true;
    // This session is not the one at the console (fast user switching).
    bool awayFromConsole = false;
    // Something other than this scheduler asks the system to stay awake: a
    // recording in another user's session, a backup, a player.
    bool otherProgramAwake = false;
    // The scheduler of another session records, or holds a woken PC for a
    // recording.
    bool otherSessionRecording = false;
    // A program of the user's list runs ("comskip.exe"); empty: none.
    std::string busyProgram;
};

struct SleepDecision {
    bool sleep;
    // What to log; the suspend query's grant logs "Query Suspend, OK", the
    // countdown's logs nothing (its expiry has been logged).
    std::string logLine;
};

SleepDecision DecideSleep(SleepAsker asker, const SleepState& state);
