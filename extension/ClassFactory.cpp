#include "extension/ClassFactory.h"

#include "extension/ModuleLock.h"

CClassFactory::CClassFactory(CreateFunction create) : m_create(create) {
    InitializeCriticalSection(&m_lock);
}

CClassFactory::~CClassFactory() {
    DeleteCriticalSection(&m_lock);
}

HRESULT STDMETHODCALLTYPE CClassFactory::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CClassFactory::AddRef() {
    EnterCriticalSection(&m_lock);
    const LONG refs = ++m_nRefs;
    if (refs == 2)
        LockModule(); // the first reference from outside
    LeaveCriticalSection(&m_lock);
    return static_cast<ULONG>(refs);
}

ULONG STDMETHODCALLTYPE CClassFactory::Release() {
    EnterCriticalSection(&m_lock);
    const LONG refs = --m_nRefs;
    if (refs == 1)
        UnlockModule(); // only the module's own reference is left
    LeaveCriticalSection(&m_lock);
    if (refs == 0)
        delete this;
    return static_cast<ULONG>(refs);
}

HRESULT STDMETHODCALLTYPE CClassFactory::CreateInstance(IUnknown* outer, REFIID riid,
                                                        void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return m_create(riid, object);
}

HRESULT STDMETHODCALLTYPE CClassFactory::LockServer(BOOL lock) {
    if (lock)
        LockModule();
    else
        UnlockModule();
    return S_OK;
}
