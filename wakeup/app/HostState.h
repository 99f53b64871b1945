#pragma once
// What the host and the system have said about the machine's use, written by
// the event handling on the dialog's thread and read by the countdown's
// thread.
#include <atomic>

struct CHostState {
    std::atomic<bool> recording{false};
    std::atomic<bool> paused{false};
    // The machine has announced a suspend and not yet resumed.
    std::atomic<bool> suspended{false};
    // Another session has the console (fast user switching).
    std::atomic<bool> awayFromConsole{false};
    // Woken for a recording that the host has not reported yet.
    std::atomic<bool> awaitingRecording{false};
    // At the last look, something other than this scheduler asked the
    // system to stay awake.
    std::atomic<bool> otherProgramAwake{false};
};
