#pragma once
// The auto-suspend countdown's pieces that do not depend on the dialog: the
// phase of a position and the one-minute tick.
#include <cstdint>

#include "wakeup/platform/WaitableTimers.h"
#include "wakeup/platform/WindowMessages.h"

// The timer that paces the countdown, one minute at a time.
#define SUSPEND_COUNTDOWN_TIMER_NAME "OrvisaSuspendTimer"

// Positions 1 to 4 (minutes left) are the warning phase; 0 is expired.
inline bool IsWarningPosition(int position) {
    return position > 0 && position < 5;
}

// What one minute of the countdown does: the count goes down by one unless
// it stands still, and the position after that step decides the phase.
enum class CountdownPhase { standsStill, userActive, counting, warning, expired };

struct CountdownInputs {
    bool recording = false;
    bool paused = false;
    bool awayFromConsole = false;
    int lengthMinutes = 0;
    // Keyboard or mouse input in the last minute, where it counts.
    bool userInput = false;
};

// Before the step: standsStill, userActive, or counting when the count is
// to go down. While a recording runs or playback is paused the count stands
// still, and so it does while another user's session has the console. A
// length of 0 leaves the bar an empty range, where every step would read as
// expired and send the machine to sleep each minute: 0 means no
// auto-suspend. Someone typing or moving the mouse is not idle: the count
// goes back to full, as for a host event.
inline CountdownPhase PhaseBeforeStep(const CountdownInputs& inputs) {
    if (inputs.recording || inputs.paused || inputs.awayFromConsole || inputs.lengthMinutes <= 0)
        return CountdownPhase::standsStill;
    if (inputs.userInput)
        return CountdownPhase::userActive;
    return CountdownPhase::counting;
}

// After the step, from the position read anew.
inline CountdownPhase PhaseAfterStep(int position) {
    if (position == 0)
        return CountdownPhase::expired;
    return IsWarningPosition(position) ? CountdownPhase::warning : CountdownPhase::counting;
}

// Waits one minute at a time on the named, manual-reset timer
// "OrvisaSuspendTimer". The timer never wakes the machine. Its handle is
// kept from one minute to the next: the handle that created it keeps the
// name alive anyway, and opening and closing it each minute would only cost
// two more calls to the system.
class CMinuteTicker {
public:
    CMinuteTicker(IWaitableTimers& timers, IThreadWait& wait) : m_timers(timers), m_wait(wait) {}
    CMinuteTicker(const CMinuteTicker&) = delete;
    CMinuteTicker& operator=(const CMinuteTicker&) = delete;

    // Returns after one minute. When the timer can be neither opened nor
    // created, the minute passes as a plain pause instead, and
    // timerError tells why (0 otherwise).
    void WaitOneMinute(uint32_t& timerError);

private:
    IWaitableTimers& m_timers;
    IThreadWait& m_wait;
    // The timer, opened, or created here where no other process had made
    // it; either stays open for the life of the process.
    IWaitableTimers::Handle m_timer = 0;
};
