#include "wakeup/platform/win32/Win32Threads.h"

#include <process.h>

#include <algorithm>
#include <memory>

#include "wakeup/platform/win32/Win32WindowMessages.h"

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

bool Ended(const CUniqueHandle& thread) {
    return WaitForSingleObject(thread.Get(), 0) == WAIT_OBJECT_0;
}
} // namespace

CWin32ThreadStarter::CWin32ThreadStarter() : m_stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

bool CWin32ThreadStarter::Start(ThreadProc proc, void* param) {
    auto start = std::make_unique<ThreadStart>(ThreadStart{proc, param});
    // Through the C runtime, so that the thread's runtime state is set up.
    const uintptr_t thread = _beginthreadex(nullptr, 0, Trampoline, start.get(), 0, nullptr);
    if (thread == 0)
        return false;
    start.release(); // the thread's now
    // Kept until the thread has ended, so that the end of the program can
    // wait for it; one wake-timer thread starts per arming for months.
    std::lock_guard<std::mutex> lock(m_threadsLock);
    m_threads.erase(std::remove_if(m_threads.begin(), m_threads.end(), Ended), m_threads.end());
    m_threads.emplace_back(reinterpret_cast<HANDLE>(thread));
    return true;
}

bool CWin32ThreadStarter::StopAll(uint32_t timeoutMs) {
    SetEvent(m_stop.Get());
    // A worker may be sending a log line to a window of this thread: the
    // wait answers sends, or neither side would go on.
    CWin32ThreadWait wait;
    return wait.WaitUntil(
        [this] {
            std::lock_guard<std::mutex> lock(m_threadsLock);
            return std::all_of(m_threads.begin(), m_threads.end(), Ended);
        },
        timeoutMs);
}
