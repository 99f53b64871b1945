#pragma once
// The scheduler's sleep requests, the countdown's, the hidden button's and
// the wake test's alike, each on a thread of its own: the request returns
// only after the resume, and the dialog's thread must answer the power
// notices meanwhile (the suspend notice's scan and arming). The thread posts
// the result to the dialog (DialogMessage::kSleepRequestDone) and ends.
#include <atomic>
#include <cstdint>

#include "wakeup/platform/Power.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/platform/WindowMessages.h"

// Who asked, in lParam of the result.
enum class SleepOrigin : int32_t { countdown = 0, button = 1, wakeTest = 2 };

class CSleepRequests {
public:
    struct Ports {
        IPower& power;
        IThreadStarter& threads;
        IWindowMessenger& messenger;
    };

    // stop: set once the program ends; a request that returns then posts
    // nothing.
    CSleepRequests(const Ports& ports, const std::atomic<bool>& stop)
        : m_ports(ports), m_stop(stop) {}

    // False when no thread could be started (nothing is posted then).
    bool Start(bool hibernate, SleepOrigin origin);

private:
    static unsigned Run(void* request);

    Ports m_ports;
    const std::atomic<bool>& m_stop;
};
