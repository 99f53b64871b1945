#include "extension/ModuleLock.h"

namespace {
// Host threads of any apartment change it: only interlocked operations.
volatile LONG g_nLocks = 0;
} // namespace

void LockModule() {
    InterlockedIncrement(&g_nLocks);
}

void UnlockModule() {
    InterlockedDecrement(&g_nLocks);
}

LONG ModuleLockCount() {
    return InterlockedCompareExchange(&g_nLocks, 0, 0);
}
