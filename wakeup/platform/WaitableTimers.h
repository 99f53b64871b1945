#pragma once
#include <cstdint>
#include <string>

// Named, manual-reset waitable timers that can wake the machine. Handles are
// opaque; 0 is no handle. Results follow the system's calls.
class IWaitableTimers {
public:
    using Handle = uintptr_t;
    static constexpr uint32_t kWaitObject0 = 0;
    // The wait ended because the workers are asked to stop.
    static constexpr uint32_t kWaitStopped = 1;
    // LastError after a successful Set whose resume option the machine
    // cannot honour (ERROR_NOT_SUPPORTED): the timer runs but wakes nothing.
    static constexpr uint32_t kErrorNotSupported = 50;

    virtual ~IWaitableTimers() = default;
    // An inheritable handle with full access to an existing timer, or 0.
    virtual Handle Open(const char* name) = 0;
    // Creates the manual-reset timer; 0 on failure (see LastError).
    virtual Handle Create(const char* name) = 0;
    // dueTime in 100-ns units: negative is relative to now, zero or positive
    // an absolute UTC file time. Period 0; resume wakes the machine, and a
    // reason names the wake where Windows' tools show it ("powercfg
    // /waketimers"; empty: none). On success LastError is 0 or
    // kErrorNotSupported.
    virtual bool Set(Handle timer, int64_t dueTime, bool resume, const std::string& reason) = 0;
    // Waits without a time limit; kWaitObject0 once signalled, kWaitStopped
    // once the workers are asked to stop (IThreadStarter::StopAll).
    virtual uint32_t Wait(Handle timer) = 0;
    virtual void Cancel(Handle timer) = 0;
    virtual void Close(Handle timer) = 0;
    virtual uint32_t LastError() const = 0;
};
