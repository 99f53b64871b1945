#pragma once
#include <cstdint>
#include <string>

#include "wakeup/platform/Power.h"

// "Allow wake timers" set so that the scheduler's timer wakes nothing:
// disabled, or important wake timers only (the system's own).
bool WakeTimersBlocked(uint32_t value);

// The sleep states a timer can wake the machine from, as "S1, S3,
// hibernation"; empty when there is none.
std::string TimerWakeableStates(const SleepCapabilities& capabilities);

// The log line for a power plan whose "Allow wake timers" setting keeps the
// armed timer from waking the machine, on mains power or on battery; empty
// when the plan lets it wake.
std::string WakeTimerSettingWarning(uint32_t onMains, uint32_t onBattery);

// The log line for a machine that has no sleep state its clock can wake it
// from; empty when it has one.
std::string SleepCapabilityWarning(const SleepCapabilities& capabilities);
