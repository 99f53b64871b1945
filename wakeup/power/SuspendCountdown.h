#pragma once
// The auto-suspend countdown's pieces that do not depend on the dialog: the
// phase of a position and the one-minute tick.
#include <cstdint>

#include "wakeup/platform/WaitableTimers.h"
#include "wakeup/platform/WindowMessages.h"

// Positions 1 to 4 (minutes left) are the warning phase; 0 is expired.
inline bool IsWarningPosition(int position) {
    return position > 0 && position < 5;
}

// Waits one minute at a time on the named, manual-reset timer
// "OrvisaSuspendTimer". The timer never wakes the machine.
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
    // The handle that created the timer stays open for the life of the
    // process, so that the name goes on existing between the cycles.
    IWaitableTimers::Handle m_creation = 0;
};
