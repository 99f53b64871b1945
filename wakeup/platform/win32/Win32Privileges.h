#pragma once
#include <windows.h>

#include "wakeup/platform/Power.h"

// Enables or disables one privilege of the process's token. 0 on success,
// otherwise the error code of the step that failed. A privilege the token
// does not hold counts as a failure (ERROR_NOT_ALL_ASSIGNED), although the
// adjusting call itself succeeds then.
DWORD AdjustProcessTokenPrivilege(const char* name, BOOL enable, IPower::PrivilegeStep* failedAt);
