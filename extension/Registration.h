#pragma once
// Self-registration of the module: the program identifiers and class keys of
// every class under HKEY_CLASSES_ROOT, their component categories, and the
// type library embedded in the module's own file. Both answer E_OUTOFMEMORY
// when memory runs out.
#include <windows.h>

HRESULT RegisterServer(HMODULE module);
HRESULT UnregisterServer(HMODULE module);
