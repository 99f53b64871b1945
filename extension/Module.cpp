// The module's entry points: load and unload, and the four exports that make
// it an in-process component server.
#include <windows.h>

#include "extension/ClassTable.h"
#include "extension/HostRecord.h"
#include "extension/ModuleLock.h"
#include "extension/Registration.h"

namespace {
HINSTANCE g_instance = nullptr;
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_instance = instance;
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // Only on FreeLibrary: when the process ends, other threads have been
        // stopped wherever they were, perhaps inside a factory's critical
        // section, and the memory goes with the process anyway.
        TerminateClassTable();
        DropHostRecord();
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return ModuleLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    // The host asks for its extensions' classes: it runs, and says so to a
    // scheduler that starts after it.
    KeepHostRecord();
    return GetClassFactory(clsid, riid, object);
}

STDAPI DllRegisterServer() {
    return RegisterServer(g_instance);
}

STDAPI DllUnregisterServer() {
    return UnregisterServer(g_instance);
}
