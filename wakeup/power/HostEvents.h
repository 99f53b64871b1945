#pragma once
// What the host's player events and the system's power and session
// broadcasts decide: the log line, the state flags and the execution state.
// The dialog applies the decisions; whether to sleep is SleepDecision's.
#include <cstdint>

// Events of the host's player (lParam of WAKEUP_MSG_PLAYER_EVENT).
constexpr int32_t PLAYER_EVENT_PAUSE = 0;
constexpr int32_t PLAYER_EVENT_RESUME = 1;
constexpr int32_t PLAYER_EVENT_RECORDING_STARTED = 25;
constexpr int32_t PLAYER_EVENT_RECORDING_STOPPED = 26;
constexpr int32_t PLAYER_EVENT_RECORDING_IN_PROGRESS = 27;
constexpr int32_t PLAYER_EVENT_RECORDED_LIST_CHANGED = 34;

// The system's power broadcast (message and the events in wParam).
constexpr uint32_t POWER_BROADCAST_MESSAGE = 0x0218; // WM_POWERBROADCAST
constexpr uint32_t PBT_EVENT_QUERY_SUSPEND = 0;
constexpr uint32_t PBT_EVENT_SUSPEND = 4;
constexpr uint32_t PBT_EVENT_RESUME_SUSPEND = 7;
constexpr uint32_t PBT_EVENT_RESUME_AUTOMATIC = 18;
constexpr intptr_t BROADCAST_QUERY_DENY_ANSWER = 0x424D5144;

// The system's session broadcast (WM_WTSSESSION_CHANGE) and the events in
// wParam that move a session to or from the console.
constexpr uint32_t SESSION_CHANGE_MESSAGE = 0x02B1;
constexpr uint32_t WTS_EVENT_CONSOLE_CONNECT = 1;
constexpr uint32_t WTS_EVENT_CONSOLE_DISCONNECT = 2;
constexpr uint32_t WTS_EVENT_REMOTE_CONNECT = 3;

// The system's clock or time zone has changed (WM_TIMECHANGE).
constexpr uint32_t TIME_CHANGE_MESSAGE = 0x001E;

// The end of the session (WM_ENDSESSION; wParam non-zero: it does end, by
// logoff or shutdown, and the process ends with it).
constexpr uint32_t END_SESSION_MESSAGE = 0x0016;

// Whether the session is at the console after the event: connected to it,
// or taken away from it by a switch to another user or to a remote
// connection. Other events (lock, logon, ...) leave it as it was.
bool AtConsoleAfterSessionEvent(uint32_t event, bool atConsole);

enum class FlagChange { keep, set, clear };

struct PlayerEventReaction {
    const char* logLine; // null: nothing is logged
    FlagChange recording;
    FlagChange paused;
    // The execution state the event sets, 0 when it leaves it alone; one
    // without ES_FLAG_CONTINUOUS resets the idle timers once.
    uint32_t executionState;
};

PlayerEventReaction ReactToPlayerEvent(int32_t code);

// The execution state of the dialog's thread. The player events set it as
// the host's table says (eventState: what the last one set); beyond that, a
// running recording or paused playback always keeps the system required,
// because systems since Vista send no suspend query before they sleep on
// their own, so refusing one protects nothing there. So does the night's
// hold (held), a wake for a recording until the host reports it among it:
// a PC woken by a timer with nobody at it sleeps again within minutes.
uint32_t WantedExecutionState(uint32_t eventState, bool recording, bool paused, bool held);
