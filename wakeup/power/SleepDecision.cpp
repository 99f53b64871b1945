#include "wakeup/power/SleepDecision.h"

SleepDecision DecideSleep(SleepAsker asker, const SleepState& state) {
    const bool query = asker == SleepAsker::suspendQuery;
    if (state.recording)
        return {false, query ? "Query Suspend, deny because recording is on"
                             : "Suspend cancelled because recording is on"};
    if (state.paused)
        return {false, query ? "Query Suspend, deny because playback is paused"
                             : "Suspend cancelled because playback is paused"};
    if (state.awaitingRecording)
        return {false, query ? "Query Suspend, deny because a recording is about to start"
                             : "Suspend cancelled because a recording is about to start"};
    if (state.countReset)
        return {false, query ? "Query Suspend, deny because the host was used meanwhile"
                             : "Suspend cancelled because the host was used meanwhile"};
    if (query)
        // A sleep the user or the system asked for is not held up by a slow
        // arming or by another session: the timer is armed as far as it got.
        return {true, "Query Suspend, OK"};
    if (state.awayFromConsole)
        return {false, "Suspend cancelled because this session is not at the console"};
    if (!state.wakeTimerSet)
        return {false, "Suspend cancelled because the wake timer is not set yet"};
    // A wake timer due within seconds of the sleep may fire before the
    // machine is down, and then wakes nothing.
    if (!state.recordingSoon.empty())
        return {false, "Suspend cancelled because a recording starts at " + state.recordingSoon};
    if (state.otherSessionRecording)
        return {false, "Suspend cancelled because another session is recording"};
    if (state.otherProgramAwake)
        return {false, "Suspend cancelled because another program keeps the PC awake"};
    return {true, ""};
}
