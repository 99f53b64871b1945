#pragma once
// The scheduler's sleep requests, the countdown's, the hidden button's and
// the wake test's alike, each on a thread of its own: the request returns
// only after the resume, and the dialog's thread must answer the power
// notices meanwhile (the suspend notice's scan and arming). The thread
// queues the result for the night's step and ends.
#include <atomic>
#include <cstdint>

#include "wakeup/app/NightQueue.h"
#include "wakeup/app/NightStep.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Threads.h"

class CSleepRequests {
public:
    struct Ports {
        IPower& power;
        IThreadStarter& threads;
    };

    // stop: set once the program ends; a request that returns then queues
    // nothing.
    CSleepRequests(const Ports& ports, CNightQueue& queue, const std::atomic<bool>& stop)
        : m_ports(ports), m_queue(queue), m_stop(stop) {}

    // False when no thread could be started (nothing is queued then).
    bool Start(bool hibernate, SleepOrigin origin);

private:
    static unsigned Run(void* request);

    Ports m_ports;
    CNightQueue& m_queue;
    const std::atomic<bool>& m_stop;
};
