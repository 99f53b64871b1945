#include "wakeup/platform/win32/Win32Threads.h"

#include <windows.h>
#include <process.h>

#include <memory>

#include "common/win32/Owners.h"

namespace {
struct ThreadStart {
    IThreadStarter::ThreadProc proc;
    void* param;
};

// The runtime wants a __stdcall procedure; the core's are plain functions.
unsigned __stdcall Trampoline(void* arg) {
    const std::unique_ptr<ThreadStart> start(static_cast<ThreadStart*>(arg));
    return start->proc(start->param);
}
} // namespace

bool CWin32ThreadStarter::Start(ThreadProc proc, void* param) {
    auto start = std::make_unique<ThreadStart>(ThreadStart{proc, param});
    // Through the C runtime, so that the thread's runtime state is set up.
    const uintptr_t thread = _beginthreadex(nullptr, 0, Trampoline, start.get(), 0, nullptr);
    if (thread == 0)
        return false;
    start.release(); // the thread's now
    // Nobody waits for these threads; they end on their own or with the
    // process.
    CUniqueHandle owned(reinterpret_cast<HANDLE>(thread));
    return true;
}
