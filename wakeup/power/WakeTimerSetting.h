#pragma once
#include <cstdint>
#include <string>

#include "wakeup/platform/Power.h"

// The log line for a power plan whose "Allow wake timers" setting keeps the
// armed timer from waking the machine, on mains power or on battery; empty
// when the plan lets it wake.
std::string WakeTimerSettingWarning(uint32_t onMains, uint32_t onBattery);

// The log line for a machine that has no sleep state its clock can wake it
// from; empty when it has one.
std::string SleepCapabilityWarning(const SleepCapabilities& capabilities);
