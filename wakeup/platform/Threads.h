#pragma once

// Starts a worker thread with default priority, stack size and creation
// flags; the thread runs proc(param) and is not waited for.
class IThreadStarter {
public:
    using ThreadProc = unsigned (*)(void* param);
    virtual ~IThreadStarter() = default;
    virtual bool Start(ThreadProc proc, void* param) = 0;
};
