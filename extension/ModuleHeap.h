#pragma once
// The module's memory. The module is built without exceptions and without
// the C++ library: what it makes with new comes from the process heap, and a
// new that finds no memory gives null, which the caller answers with
// E_OUTOFMEMORY.
#include <windows.h>

#include <stddef.h>

// The placement argument of the module's new: `new (kModuleHeap) T(...)`.
struct CModuleHeap {};
inline constexpr CModuleHeap kModuleHeap{};

// The base of every class that the module makes with new. Only the heap's
// form of new is declared here, so a plain new of such a class does not
// compile; delete gives the memory back to the same heap.
class CModuleHeapObject {
public:
    // Declared noexcept, so that a null result skips the constructor and
    // makes the whole new-expression null.
    static void* operator new(size_t size, CModuleHeap) noexcept {
        return HeapAlloc(GetProcessHeap(), 0, size);
    }
    static void operator delete(void* memory) noexcept {
        if (memory)
            HeapFree(GetProcessHeap(), 0, memory);
    }

protected:
    CModuleHeapObject() = default;
    ~CModuleHeapObject() = default;
};
