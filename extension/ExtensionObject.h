#pragma once
// What the four extension classes share: the base interface over exactly one
// host interface, the reference count, the module lock held while the object
// lives, and the creation function that the class factory runs.
#include <windows.h>
#include <unknwn.h>

#include "common/win32/Owners.h"
#include "extension/ModuleHeap.h"
#include "extension/ModuleLock.h"

template <class Interface> class ExtensionObject : public Interface, public CModuleHeapObject {
public:
    ExtensionObject(const ExtensionObject&) = delete;
    ExtensionObject& operator=(const ExtensionObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(Interface))) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&m_nRefs));
    }

    ULONG STDMETHODCALLTYPE Release() override {
        const LONG refs = InterlockedDecrement(&m_nRefs);
        if (refs == 0)
            delete this;
        return static_cast<ULONG>(refs);
    }

protected:
    // Created with count 0: the QueryInterface that hands the object out
    // gives it its first reference.
    ExtensionObject() { LockModule(); }
    // The module lock goes last, after the derived class has released what it
    // holds: once it is dropped the host may unload the module, and no code of
    // the module may run after that.
    virtual ~ExtensionObject() { UnlockModule(); }

private:
    // Interlocked although one host thread per object is the rule: the host
    // may hand an object between threads of the "both" model.
    volatile LONG m_nRefs = 0;
};

// The creation function of a class, run by its class factory once it has
// checked the out pointer and refused aggregation; E_OUTOFMEMORY when the
// object cannot be made.
template <class T> HRESULT CreateExtensionObject(REFIID riid, void** object) {
    // Holds the object alive across the query; a refused interface destroys
    // it again (and so drops its module lock).
    const CComPtr<T> created(new (kModuleHeap) T());
    if (!created)
        return E_OUTOFMEMORY;
    return created->QueryInterface(riid, object);
}
