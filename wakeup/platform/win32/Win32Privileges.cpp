#include "wakeup/platform/win32/Win32Privileges.h"

#include "common/win32/Owners.h"

DWORD AdjustProcessTokenPrivilege(const char* name, BOOL enable, IPower::PrivilegeStep* failedAt) {
    IPower::PrivilegeStep ignored;
    IPower::PrivilegeStep& step = failedAt ? *failedAt : ignored;
    step = IPower::PrivilegeStep::none;
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &rawToken)) {
        step = IPower::PrivilegeStep::openToken;
        return GetLastError();
    }
    CUniqueHandle token(rawToken);
    TOKEN_PRIVILEGES privileges{};
    if (!LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid)) {
        step = IPower::PrivilegeStep::lookup;
        return GetLastError();
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    SetLastError(ERROR_SUCCESS);
    if (!AdjustTokenPrivileges(token.Get(), FALSE, &privileges, sizeof privileges, nullptr,
                               nullptr)) {
        step = IPower::PrivilegeStep::adjust;
        return GetLastError();
    }
    // ERROR_NOT_ALL_ASSIGNED comes with a successful call.
    const DWORD error = GetLastError();
    if (error != ERROR_SUCCESS)
        step = IPower::PrivilegeStep::adjust;
    return error;
}
