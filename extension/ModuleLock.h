#pragma once
// The module-wide lock count: non-zero while anything outside the module
// depends on it (live extension objects, factory locks, outside references to
// a class factory). DllCanUnloadNow answers from it.
#include <windows.h>

void LockModule();
void UnlockModule();
LONG ModuleLockCount();
