#pragma once
#include "wakeup/platform/Power.h"

// Enables (or disables) one privilege of the process's token. A failure is
// written to standard output with the failed call and its error code.
bool SetProcessPrivilege(IPower& power, const char* name, bool enable);

// The scheduler's one way to ask for sleep, the countdown's and the wake
// test's alike: the shutdown privilege, then standby (or hibernation)
// without force, wake events left on. 0 once the machine has slept and
// resumed; otherwise the system's error code.
uint32_t RequestSleep(IPower& power, bool hibernate);
