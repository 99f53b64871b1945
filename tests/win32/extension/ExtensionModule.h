#pragma once
// The real OrvisaWakeup.dll, loaded into the test process as the host's COM
// runtime loads it, with its four exports at hand.
#include <windows.h>
#include <objbase.h>

#include <string>

#include "common/win32/Owners.h"

// The copy of the module next to the test programs.
std::string ExtensionModulePath();

class CExtensionModule {
public:
    CExtensionModule();

    bool Loaded() const;
    HMODULE Handle() const { return m_module.Get(); }
    HRESULT CanUnloadNow() const { return m_canUnloadNow(); }
    HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) const {
        return m_getClassObject(clsid, riid, object);
    }
    // The class's factory as IClassFactory, or null.
    CComPtr<IClassFactory> Factory(const char* clsidText) const;
    // A new object of the class for the interface, or null.
    CComPtr<IUnknown> Create(const char* clsidText, const char* iidText) const;

private:
    typedef HRESULT(STDAPICALLTYPE* CanUnloadNowFunction)();
    typedef HRESULT(STDAPICALLTYPE* GetClassObjectFunction)(REFCLSID, REFIID, void**);

    CUniqueLibrary m_module;
    CanUnloadNowFunction m_canUnloadNow = nullptr;
    GetClassObjectFunction m_getClassObject = nullptr;
};
