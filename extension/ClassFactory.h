#pragma once
// The class factory of one extension class. The module keeps one reference
// to it from its creation until the module unloads; only references beyond
// that one hold the module lock, so a factory held by the host keeps the
// module loaded and one held only by the module does not.
#include <windows.h>
#include <unknwn.h>

#include "extension/ModuleHeap.h"

// Makes a new object of the class and queries it for the interface;
// E_OUTOFMEMORY when the object cannot be made.
typedef HRESULT (*CreateFunction)(REFIID riid, void** object);

class CClassFactory : public IClassFactory, public CModuleHeapObject {
public:
    // Starts with the module's reference.
    explicit CClassFactory(CreateFunction create);
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    virtual ~CClassFactory();

    // Guards the count together with the module lock that follows it, so
    // that the two cannot disagree between threads.
    CRITICAL_SECTION m_lock;
    LONG m_nRefs = 1;
    CreateFunction m_create;
};
