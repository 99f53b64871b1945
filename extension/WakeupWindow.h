#pragma once
// The scheduler's window, the only thing this module talks to.
#include <windows.h>

#include "common/WakeupMessages.h"

// Looked up afresh for every host call: the scheduler may start or end at any
// time. Null when no dialog window has the title.
HWND FindWakeupWindow();
// Sends synchronously; the host's thread waits until the scheduler has
// reacted. A missing window loses the message and nothing else happens. A
// window not told yet first gets the host's process id
// (WAKEUP_MSG_HOST_PROCESS).
void SendWakeupMessage(HWND window, WakeupMessageKind kind, LONG value);
