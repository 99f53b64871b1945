#include "wakeup/power/SleepDecision.h"

namespace {
SleepDecision Refused(SleepAsker asker, const std::string& why) {
    return {false, (asker == SleepAsker::suspendQuery ? "Query Suspend, deny because "
                                                      : "Suspend cancelled because ") +
                       why};
}
} // namespace

SleepDecision DecideSleep(SleepAsker asker, const SleepState& state) {
    if (state.recording)
        return Refused(asker, "recording is on");
    if (state.paused)
        return Refused(asker, "playback is paused");
    if (!state.held.empty() && state.heldAgainstQuery)
        return Refused(asker, state.held);
    if (state.countReset)
        return Refused(asker, "the host was used meanwhile");
    if (asker == SleepAsker::suspendQuery)
        // A sleep the user or the system asked for is not held up by a slow
        // arming or by another session: the timer is armed as far as it got.
        return {true, "Query Suspend, OK"};
    if (state.awayFromConsole)
        return Refused(asker, "this session is not at the console");
    if (!state.wakeTimerSet)
        return Refused(asker, "the wake timer is not set yet");
    // A wake timer due within seconds of the sleep may fire before the
    // machine is down, and then wakes nothing.
    if (!state.held.empty())
        return Refused(asker, state.held);
    if (state.otherSessionRecording)
        return Refused(asker, "another session is recording");
    if (!state.busyProgram.empty())
        return Refused(asker, state.busyProgram + " is running");
    if (state.otherProgramAwake)
        return Refused(asker, "another program keeps the PC awake");
    return {true, ""};
}
