#include "tests/win32/extension/ExtensionModule.h"

#include "tests/win32/extension/KnownClasses.h"
#include "tests/win32/support/WineTestSupport.h"

std::string ExtensionModulePath() {
    return winetest::ProgramDir() + "\\OrvisaWakeup.dll";
}

CExtensionModule::CExtensionModule() : m_module(LoadLibraryA(ExtensionModulePath().c_str())) {
    if (!m_module)
        return;
    // Through void*: FARPROC does not convert to a typed function pointer
    // without a warning.
    m_canUnloadNow = reinterpret_cast<CanUnloadNowFunction>(
        reinterpret_cast<void*>(GetProcAddress(m_module.Get(), "DllCanUnloadNow")));
    m_getClassObject = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(GetProcAddress(m_module.Get(), "DllGetClassObject")));
}

bool CExtensionModule::Loaded() const {
    return m_module && m_canUnloadNow && m_getClassObject;
}

CComPtr<IClassFactory> CExtensionModule::Factory(const char* clsidText) const {
    CComPtr<IClassFactory> factory;
    // What a failing call leaves in its out parameter is no reference.
    if (FAILED(GetClassObject(GuidFromText(clsidText), IID_IClassFactory, factory.PutVoid())))
        factory.Detach();
    return factory;
}

CComPtr<IUnknown> CExtensionModule::Create(const char* clsidText, const char* iidText) const {
    CComPtr<IUnknown> object;
    const CComPtr<IClassFactory> factory = Factory(clsidText);
    if (!factory ||
        FAILED(factory->CreateInstance(nullptr, GuidFromText(iidText), object.PutVoid())))
        object.Detach();
    return object;
}
