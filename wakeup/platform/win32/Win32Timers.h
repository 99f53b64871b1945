#pragma once
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/WaitableTimers.h"

#include <windows.h>

#include <string>

class CWin32WaitableTimers : public IWaitableTimers {
public:
    // stop: an event whose signal ends every wait (none: waits end only
    // with their timer).
    explicit CWin32WaitableTimers(HANDLE stop = nullptr) : m_stop(stop) {}
    Handle Open(const char* name) override;
    Handle Create(const char* name) override;
    bool Set(Handle timer, int64_t dueTime, bool resume, const std::string& reason) override;
    uint32_t Wait(Handle timer) override;
    void Cancel(Handle timer) override;
    void Close(Handle timer) override;
    uint32_t LastError() const override;

private:
    static void SetAgainWithReason(Handle timer, const LARGE_INTEGER& due,
                                   const std::string& reason);

    HANDLE m_stop;
};

class CWin32LocalTimeConverter : public ILocalTimeConverter {
public:
    int64_t LocalToUtcFileTime(const CDateTime& local) const override;
};
