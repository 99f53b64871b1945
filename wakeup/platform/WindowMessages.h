#pragma once
#include <cstdint>
#include <functional>

// Window messages as the core sends them: to the dialog's own window once it
// exists.
class IWindowMessenger {
public:
    virtual ~IWindowMessenger() = default;
    // The dialog's own window: a send from another thread returns once the
    // dialog's thread has handled it; a post returns at once. False while the
    // window does not exist.
    virtual bool SendToDialog(uint32_t message, uint32_t wParam, int32_t lParam) = 0;
    virtual bool PostToDialog(uint32_t message, uint32_t wParam, int32_t lParam) = 0;
    // Lets the message reach the dialog's window from processes of a lower
    // integrity level, which the system otherwise drops without an error.
    // 0, also where the system has no such filter; else its error code.
    virtual uint32_t AllowFromLowerIntegrity(uint32_t message) = 0;
};

// Bounded waits of the core's threads.
class IThreadWait {
public:
    virtual ~IThreadWait() = default;
    // Waits until done() holds or timeoutMs has passed; true when it held.
    // Meanwhile the calling thread goes on handling what other threads send
    // to its windows, so a worker that logs through the dialog's thread is
    // never blocked by the wait (posted messages stay queued).
    virtual bool WaitUntil(const std::function<bool()>& done, uint32_t timeoutMs) = 0;
    // A pause of the calling thread; it ends early once the workers are
    // asked to stop (IThreadStarter::StopAll).
    virtual void Pause(uint32_t ms) = 0;
};
