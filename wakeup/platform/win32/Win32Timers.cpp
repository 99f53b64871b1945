#include "wakeup/platform/win32/Win32Timers.h"

#include <windows.h>

#include "common/win32/Owners.h"

namespace {
HANDLE ToHandle(IWaitableTimers::Handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
} // namespace

IWaitableTimers::Handle CWin32WaitableTimers::Open(const char* name) {
    return reinterpret_cast<Handle>(OpenWaitableTimerA(TIMER_ALL_ACCESS, TRUE, name));
}

IWaitableTimers::Handle CWin32WaitableTimers::Create(const char* name) {
    return reinterpret_cast<Handle>(CreateWaitableTimerA(nullptr, TRUE, name));
}

bool CWin32WaitableTimers::Set(Handle timer, int64_t dueTime, bool resume) {
    LARGE_INTEGER due;
    due.QuadPart = dueTime;
    // A machine that cannot wake by a timer lets the call succeed and leaves
    // ERROR_NOT_SUPPORTED; an older error must not pass for it. Wine leaves
    // ERROR_TIMER_RESUME_IGNORED (722), which is not taken for it.
    SetLastError(ERROR_SUCCESS);
    return SetWaitableTimer(ToHandle(timer), &due, 0, nullptr, nullptr, resume) != FALSE;
}

uint32_t CWin32WaitableTimers::Wait(Handle timer) {
    if (!m_stop)
        return WaitForSingleObject(ToHandle(timer), INFINITE);
    const HANDLE handles[] = {ToHandle(timer), m_stop};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    return result == WAIT_OBJECT_0 + 1 ? kWaitStopped : result;
}

void CWin32WaitableTimers::Cancel(Handle timer) {
    CancelWaitableTimer(ToHandle(timer));
}

void CWin32WaitableTimers::Close(Handle timer) {
    CUniqueHandle owned(ToHandle(timer)); // given up here
}

uint32_t CWin32WaitableTimers::LastError() const {
    return GetLastError();
}

int64_t CWin32LocalTimeConverter::LocalToUtcFileTime(const CDateTime& local) const {
    SYSTEMTIME localTime{};
    localTime.wYear = static_cast<WORD>(local.GetYear());
    localTime.wMonth = static_cast<WORD>(local.GetMonth());
    localTime.wDay = static_cast<WORD>(local.GetDay());
    localTime.wHour = static_cast<WORD>(local.GetHour());
    localTime.wMinute = static_cast<WORD>(local.GetMinute());
    localTime.wSecond = static_cast<WORD>(local.GetSecond());
    SYSTEMTIME utc;
    FILETIME fileTime;
    // The rules of the time zone for that date, not today's offset.
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &localTime, &utc) ||
        !SystemTimeToFileTime(&utc, &fileTime))
        return kUnconvertible;
    return static_cast<int64_t>(static_cast<uint64_t>(fileTime.dwHighDateTime) << 32 |
                                fileTime.dwLowDateTime);
}
