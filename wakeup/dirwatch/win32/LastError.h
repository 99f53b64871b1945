#pragma once
#include <windows.h>

// The calling thread's last error, or fallback when the failed call left
// none: a failure is never reported as success.
inline DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
}
