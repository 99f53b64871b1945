#pragma once
// Whether the countdown's sleep leaves the armed recording's timer able to
// wake the PC: the power plan may block wake timers on the power source in
// use now, and the sleep state it would enter may be one the clock cannot
// wake it from. The system's own sleep is not the program's to refuse.
#include <cstdint>
#include <string>

#include "wakeup/power/WakeVerdict.h"

// On battery the PC is not kept awake for a recording further off than this:
// a laptop left awake for longer would run flat and miss it all the same.
constexpr int kBatteryStandBackMinutes = 120;

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
};

WakeableSleep ChooseWakeableSleep(const WakeableSleepInputs& in);
