#pragma once
#include "wakeup/platform/Power.h"

// Enables (or disables) one privilege of the process's token. A failure is
// written to standard output with the failed call and its error code.
bool SetProcessPrivilege(IPower& power, const char* name, bool enable);
