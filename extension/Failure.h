#pragma once
// How failures leave the module: a failing call's code is returned at once.
// The callers (the COM runtime, regsvr32, the host) are not C++ and could
// catch no exception, and the module is built without them: memory that
// runs out gives null (extension/ModuleHeap.h), answered with E_OUTOFMEMORY.
#include <windows.h>

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
