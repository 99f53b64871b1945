#pragma once
// The auto-suspend countdown's thread and its bar. The thread only paces
// the count: it waits one minute at a time on its timer and queues the
// minute for the night's step, which counts, warns and decides the sleep on
// the dialog's thread; the bar shows what the step counted.
#include <atomic>
#include <cstdint>

#include "wakeup/app/NightQueue.h"
#include "wakeup/app/NightStep.h"
#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/Session.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/platform/WaitableTimers.h"
#include "wakeup/platform/WindowMessages.h"
#include "wakeup/power/SuspendCountdown.h"

class CAutoSuspend {
public:
    struct Ports {
        IProgressBar& progress; // shows the minutes left
        IWaitableTimers& timers;
        IThreadWait& wait;
        IThreadStarter& threads;
        ISession& session; // the user's input
    };

    // stop: set once the program ends; the thread then leaves.
    CAutoSuspend(const Ports& ports, CNightQueue& queue, const std::atomic<bool>& stop)
        : m_ports(ports), m_queue(queue), m_stop(stop), m_ticker(ports.timers, ports.wait) {}
    CAutoSuspend(const CAutoSuspend&) = delete;
    CAutoSuspend& operator=(const CAutoSuspend&) = delete;

    // Starts the thread.
    void Start();
    // The thread's loop until the program ends, and one turn of it: a
    // minute's wait, then its event.
    static unsigned ThreadEntry(void* countdown);
    void PaceMinute();

    // The step's bar.
    void Show(const NightEffects& effects);
    // Keyboard or mouse input in the last minute.
    bool UserInputInTheLastMinute();

private:
    Ports m_ports;
    CNightQueue& m_queue;
    const std::atomic<bool>& m_stop;
    CMinuteTicker m_ticker; // the thread's own
};
