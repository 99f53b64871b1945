#pragma once
// Whether the countdown's sleep leaves the armed recording's timer able to
// wake the PC: the power plan may block wake timers on the power source in
// use now, and the sleep state it would enter may be one the clock cannot
// wake it from (a modern-standby PC hibernates for a program's request, a
// long standby ends in hibernation). The system's own sleep is not the
// program's to refuse.
#include <cstdint>
#include <string>

#include "wakeup/power/WakeVerdict.h"

// The PC is not kept awake for a recording further off than this when its
// timer could not wake it: a laptop left awake for longer would run flat,
// and a PC whose plan blocks wake timers would never sleep.
constexpr int kStandBackMinutes = 120;

struct WakeableSleepInputs {
    WakeAbility ability;
    bool onBattery = false;
    bool hibernate = false; // the sleep the user chose
    // The start of the recording whose wake is armed, as the log writes
    // dates; empty when none is armed.
    std::string recordingStart;
    int64_t minutesToStart = 0;
};

struct WakeableSleep {
    bool sleep = true;
    bool hibernate = false; // the sleep to ask for
    std::string logLine;    // empty: nothing to say
    // The line is the stand-back's, to be logged once per recording.
    bool standsBack = false;
    // The PC is kept awake until the recording starts, so that the
    // system's own idle sleep cannot undo the stand-back. A modern-standby
    // PC whose clock cannot end hibernation stands back however far the
    // recording, and is left to the system's own low-power idle, which
    // timers end.
    bool holds = false;
    // Why the timer could not wake the PC, where it stands back.
    std::string reason;
};

// in.hibernate: the sleep to ask for, one the PC has.
WakeableSleep ChooseWakeableSleep(const WakeableSleepInputs& in);

// Whether the PC can hibernate: the state listed and its file there (with
// hibernation turned off, or no file, a request for it fails).
bool HibernationPossible(const SleepCapabilities& capabilities);
