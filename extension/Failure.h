#pragma once
// How failures leave the module: a failing call's code is returned at once,
// and no exception crosses an entry point, since the callers (the COM
// runtime, regsvr32, the host) are not C++ and cannot catch one.
#include <windows.h>

#include <new>

// Returns the failure of the expression, an HRESULT, from the calling function.
#define RETURN_IF_FAILED(expression)                                                               \
    do {                                                                                           \
        const HRESULT failure_ = (expression);                                                     \
        if (FAILED(failure_))                                                                      \
            return failure_;                                                                       \
    } while (0)

// A registry function's Win32 error code as an HRESULT.
inline HRESULT FromWin32(LONG error) {
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

// Runs an entry point's work: an allocation that fails inside it, by new or
// in a standard container, becomes E_OUTOFMEMORY.
template <class Work> HRESULT CatchOutOfMemory(Work work) {
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}
