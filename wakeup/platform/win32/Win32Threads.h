#pragma once
#include <windows.h>

#include <mutex>
#include <vector>

#include "common/win32/Owners.h"
#include "wakeup/platform/Threads.h"

class CWin32ThreadStarter : public IThreadStarter {
public:
    CWin32ThreadStarter();
    bool Start(ThreadProc proc, void* param) override;
    bool StopAll(uint32_t timeoutMs) override;
    // Set by StopAll: the timer and pause adapters end their workers' waits
    // on it.
    HANDLE StopEvent() const { return m_stop.Get(); }

private:
    CUniqueHandle m_stop;
    std::mutex m_threadsLock;
    // The threads that may still run; ended ones go at the next start.
    std::vector<CUniqueHandle> m_threads;
};
