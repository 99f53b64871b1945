#pragma once
#include "wakeup/platform/Threads.h"

class CWin32ThreadStarter : public IThreadStarter {
public:
    bool Start(ThreadProc proc, void* param) override;
};
