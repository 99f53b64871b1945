#include "wakeup/power/HostEvents.h"

#include "wakeup/platform/Power.h"

namespace {
constexpr uint32_t kAwake = ES_FLAG_CONTINUOUS | ES_FLAG_SYSTEM_REQUIRED | ES_FLAG_DISPLAY_REQUIRED;
} // namespace

PlayerEventReaction ReactToPlayerEvent(int32_t code) {
    switch (code) {
    case PLAYER_EVENT_PAUSE:
        return {"Pause", FlagChange::keep, FlagChange::set, 0};
    case PLAYER_EVENT_RESUME:
        return {"Resume", FlagChange::keep, FlagChange::clear, 0};
    case PLAYER_EVENT_RECORDING_STARTED:
        return {"RecordingStarted", FlagChange::set, FlagChange::keep, kAwake};
    case PLAYER_EVENT_RECORDING_STOPPED:
        return {"RecordingStopped", FlagChange::clear, FlagChange::keep, ES_FLAG_CONTINUOUS};
    case PLAYER_EVENT_RECORDING_IN_PROGRESS:
        return {"RecordingInProgress", FlagChange::set, FlagChange::keep, 0};
    case PLAYER_EVENT_RECORDED_LIST_CHANGED:
        return {"RecordedListChanged", FlagChange::keep, FlagChange::keep, 0};
    default:
        // Events the host adds later count as the user's input: they reset
        // the system's and the display's idle timers once, and hold nothing.
        return {nullptr, FlagChange::keep, FlagChange::keep,
                ES_FLAG_SYSTEM_REQUIRED | ES_FLAG_DISPLAY_REQUIRED};
    }
}

uint32_t WantedExecutionState(uint32_t eventState, bool recording, bool paused, bool held) {
    uint32_t wanted = eventState;
    if (recording || paused || held)
        wanted |= ES_FLAG_CONTINUOUS | ES_FLAG_SYSTEM_REQUIRED;
    // Documented for recording programs: where the power plan allows away
    // mode, a sleep during the recording only turns screen and sound off.
    if (recording)
        wanted |= ES_FLAG_AWAYMODE_REQUIRED;
    return wanted;
}

bool AtConsoleAfterSessionEvent(uint32_t event, bool atConsole) {
    switch (event) {
    case WTS_EVENT_CONSOLE_CONNECT:
        return true;
    case WTS_EVENT_CONSOLE_DISCONNECT:
    case WTS_EVENT_REMOTE_CONNECT:
        return false;
    default:
        return atConsole;
    }
}
