#pragma once
// Owners of the system resources that both deliverables hold: each kind is
// one line over one template, so that no code closes, frees or releases a
// resource by hand. A resource is given up when its owner goes, when Reset
// hands it another, or by Detach to a new owner.
#include <windows.h>
#include <oleauto.h>
#include <wtsapi32.h>

#include <utility>

// Traits: the resource's type, its "none" value, the test for a real one and
// how to give it back to the system.
template <class T, T None, class Closer> struct CResourceTraits {
    using Type = T;
    static constexpr T none() { return None; }
    static bool IsValid(T value) { return value != None; }
    static void Close(T value) { Closer()(value); }
};

template <class Traits> class CUniqueResource {
public:
    using Type = typename Traits::Type;

    CUniqueResource() = default;
    explicit CUniqueResource(Type value) : m_value(value) {}
    ~CUniqueResource() { Reset(); }
    CUniqueResource(const CUniqueResource&) = delete;
    CUniqueResource& operator=(const CUniqueResource&) = delete;
    CUniqueResource(CUniqueResource&& other) noexcept : m_value(other.Detach()) {}
    CUniqueResource& operator=(CUniqueResource&& other) noexcept {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    Type Get() const { return m_value; }
    bool Valid() const { return Traits::IsValid(m_value); }
    explicit operator bool() const { return Valid(); }
    // For a function that hands the resource out through a pointer: what
    // was held is given up first.
    Type* Put() {
        Reset();
        return &m_value;
    }
    Type Detach() { return std::exchange(m_value, Traits::none()); }
    void Reset(Type value = Traits::none()) {
        const Type old = std::exchange(m_value, value);
        if (Traits::IsValid(old))
            Traits::Close(old);
    }

private:
    Type m_value = Traits::none();
};

struct RegCloseKeyCall {
    void operator()(HKEY key) const { ::RegCloseKey(key); }
};
struct SysFreeStringCall {
    void operator()(BSTR text) const { ::SysFreeString(text); }
};
struct LocalFreeCall {
    void operator()(void* memory) const { ::LocalFree(memory); }
};
struct UnmapViewOfFileCall {
    void operator()(void* view) const { ::UnmapViewOfFile(view); }
};
struct FreeLibraryCall {
    void operator()(HMODULE module) const { ::FreeLibrary(module); }
};
struct WtsFreeMemoryCall {
    void operator()(void* memory) const { ::WTSFreeMemory(memory); }
};
// A thread-pool wait: let go of only once its callback has returned.
struct UnregisterWaitCall {
    void operator()(HANDLE wait) const { ::UnregisterWaitEx(wait, INVALID_HANDLE_VALUE); }
};

// Kernel handles. The system answers "none" with null from some functions
// and with INVALID_HANDLE_VALUE from others (files, directories); both mean
// that nothing is held.
struct CHandleTraits {
    using Type = HANDLE;
    static Type none() { return nullptr; }
    static bool IsValid(HANDLE h) { return h && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
using CUniqueHandle = CUniqueResource<CHandleTraits>;
// A directory search: FindFirstFile answers "none" with INVALID_HANDLE_VALUE.
struct CFindHandleTraits : CHandleTraits {
    static void Close(HANDLE h) { ::FindClose(h); }
};
using CUniqueFindHandle = CUniqueResource<CFindHandleTraits>;
using CUniqueRegKey = CUniqueResource<CResourceTraits<HKEY, nullptr, RegCloseKeyCall>>;
using CUniqueBstr = CUniqueResource<CResourceTraits<BSTR, nullptr, SysFreeStringCall>>;
using CUniqueLocalMemory = CUniqueResource<CResourceTraits<void*, nullptr, LocalFreeCall>>;
using CUniqueView = CUniqueResource<CResourceTraits<void*, nullptr, UnmapViewOfFileCall>>;
using CUniqueLibrary = CUniqueResource<CResourceTraits<HMODULE, nullptr, FreeLibraryCall>>;
using CUniqueWait = CUniqueResource<CResourceTraits<HANDLE, nullptr, UnregisterWaitCall>>;
// What the Remote Desktop Services functions hand out.
using CUniqueWtsMemory = CUniqueResource<CResourceTraits<void*, nullptr, WtsFreeMemoryCall>>;

// A COM interface reference: released when the owner goes or is reset;
// Attach takes over a reference without adding one.
template <class T> class CComPtr {
public:
    CComPtr() = default;
    CComPtr(T* p) : m_p(p) { // adds a reference
        if (m_p)
            m_p->AddRef();
    }
    ~CComPtr() { Reset(); }
    CComPtr(const CComPtr& other) : CComPtr(other.m_p) {}
    CComPtr& operator=(const CComPtr& other) {
        if (this != &other)
            Reset(other.m_p);
        return *this;
    }
    CComPtr(CComPtr&& other) noexcept : m_p(other.Detach()) {}
    CComPtr& operator=(CComPtr&& other) noexcept {
        if (this != &other)
            Attach(other.Detach());
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For a function that hands out a reference: what was held goes first.
    T** Put() {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    // Holds p with a reference of its own.
    void Reset(T* p = nullptr) {
        if (p)
            p->AddRef();
        Attach(p);
    }
    // Takes over the caller's reference.
    void Attach(T* p) {
        T* old = std::exchange(m_p, p);
        if (old)
            old->Release();
    }
    T* Detach() { return std::exchange(m_p, nullptr); }

private:
    T* m_p = nullptr;
};

// One-off cleanup at the end of a scope: `CScopeExit undo([&] { ... });`
// Dismiss() keeps it from running.
template <class F> class CScopeExit {
public:
    explicit CScopeExit(F f) : m_f(std::move(f)) {}
    ~CScopeExit() {
        if (m_armed)
            m_f();
    }
    CScopeExit(const CScopeExit&) = delete;
    CScopeExit& operator=(const CScopeExit&) = delete;
    void Dismiss() { m_armed = false; }

private:
    F m_f;
    bool m_armed = true;
};
