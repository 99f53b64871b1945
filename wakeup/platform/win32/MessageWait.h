#pragma once
#include <windows.h>

// Waits until the handle is signalled, dispatching this thread's messages
// meanwhile: what the wait is for may need a message of this thread (a
// callback delivered through one of its windows). WAIT_OBJECT_0 when the
// handle was signalled, WAIT_FAILED when it cannot be waited for.
DWORD WaitDispatchingMessages(HANDLE handle);
