// Stands in for OrvisaWakeup.dll in a test build of the installer: its
// registration fails as it does for a user who may not write
// HKEY_CLASSES_ROOT.
#include <windows.h>

extern "C" __declspec(dllexport) HRESULT __stdcall DllRegisterServer() {
    return E_ACCESSDENIED;
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllUnregisterServer() {
    return S_OK;
}
