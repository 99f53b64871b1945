#pragma once
#include <cstdint>
#include <string>

// The log line for a power plan whose "Allow wake timers" setting keeps the
// armed timer from waking the machine, on mains power or on battery; empty
// when the plan lets it wake.
std::string WakeTimerSettingWarning(uint32_t onMains, uint32_t onBattery);
