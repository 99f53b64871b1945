#pragma once
#include <cstdint>

// Starts worker threads with default priority, stack size and creation
// flags; each runs proc(param).
class IThreadStarter {
public:
    using ThreadProc = unsigned (*)(void* param);
    virtual ~IThreadStarter() = default;
    virtual bool Start(ThreadProc proc, void* param) = 0;
    // Asks the started threads to stop: from now on every wait of theirs on
    // a timer (IWaitableTimers::Wait) or a pause (IThreadWait::Pause) ends
    // at once. Then waits until they have ended, answering meanwhile what
    // they send to the calling thread's windows. False when one still runs
    // at the deadline.
    virtual bool StopAll(uint32_t timeoutMs) = 0;
};
