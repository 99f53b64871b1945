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
        reinterpret_cast<void*>(GetProcAddress(m_module, "DllCanUnloadNow")));
    m_getClassObject = reinterpret_cast<GetClassObjectFunction>(
        reinterpret_cast<void*>(GetProcAddress(m_module, "DllGetClassObject")));
}

CExtensionModule::~CExtensionModule() {
    if (m_module)
        FreeLibrary(m_module);
}

bool CExtensionModule::Loaded() const {
    return m_module && m_canUnloadNow && m_getClassObject;
}

IClassFactory* CExtensionModule::Factory(const char* clsidText) const {
    IClassFactory* factory = nullptr;
    if (FAILED(GetClassObject(GuidFromText(clsidText), IID_IClassFactory,
                              reinterpret_cast<void**>(&factory))))
        return nullptr;
    return factory;
}

IUnknown* CExtensionModule::Create(const char* clsidText, const char* iidText) const {
    IClassFactory* factory = Factory(clsidText);
    if (!factory)
        return nullptr;
    IUnknown* object = nullptr;
    if (FAILED(factory->CreateInstance(nullptr, GuidFromText(iidText),
                                       reinterpret_cast<void**>(&object))))
        object = nullptr;
    factory->Release();
    return object;
}
