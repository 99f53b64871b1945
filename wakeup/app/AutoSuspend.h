#pragma once
// The auto-suspend countdown's thread and its bar. The thread only paces
// the count: it waits one minute at a time on its timer and queues the
// minute for the night's step, which counts, warns and decides the sleep on
// the dialog's thread; the bar shows what the step counted.
//
// A minute that would change nothing but the count, while the bar is off
// the screen (the window in the notification area, as after logon), is one
// the thread counts on its own instead: the dialog's thread is not woken
// for it, and its next step takes the minutes so counted first. After each
// of its steps the loop says how many minutes from then on are of that kind
// (QuietMinutes); a minute with the user's input never is.
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

    // The loop's side of the minutes counted on the thread: those counted
    // since the last call, which it steps (none are counted after it until
    // the next Allow); and how many of the next it may count (0: none), where
    // inputCounts makes a minute with the user's input one it may not.
    int TakeQuietMinutes();
    void AllowQuietMinutes(int minutes, bool inputCounts);
    bool BarOnScreen() { return m_ports.progress.OnScreen(); }

private:
    // The thread's side: true when it counted this minute itself.
    bool CountQuietly();

    Ports m_ports;
    CNightQueue& m_queue;
    const std::atomic<bool>& m_stop;
    CMinuteTicker m_ticker; // the thread's own
    // The minutes the thread may still count, and whether input stops it;
    // how many the loop allowed last (the loop's own).
    std::atomic<int> m_quietLeft{0};
    std::atomic<bool> m_inputCounts{false};
    int m_quietAllowed = 0;
};
