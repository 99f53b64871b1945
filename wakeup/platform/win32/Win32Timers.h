#pragma once
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/WaitableTimers.h"

#include <windows.h>

#include <mutex>
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

private:
    // A year's rules as the system read them from the registry (several
    // reads each time), kept for the conversions of one scan: while the zone
    // is the same and for a minute at most, so that a zone or rules set
    // meanwhile are read again.
    struct YearRules {
        bool valid = false;
        USHORT year = 0;
        DYNAMIC_TIME_ZONE_INFORMATION current{};
        ULONGLONG readAt = 0;
        TIME_ZONE_INFORMATION zone{};
    };
    bool ZoneForYear(USHORT year, const DYNAMIC_TIME_ZONE_INFORMATION& current,
                     TIME_ZONE_INFORMATION& zone) const;

    mutable std::mutex m_lock;
    mutable YearRules m_last;
};
