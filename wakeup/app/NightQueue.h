#pragma once
// The one way into the night from the worker threads: each queues its
// event here, and one private message (DialogMessage::kNightEvent) tells the
// dialog's thread, which steps the queue in order. The dialog's thread
// queues here too what reaches it while it waits for an arming, so that
// nothing is stepped inside another event's handling.
#include <deque>
#include <mutex>

#include "wakeup/app/NightStep.h"
#include "wakeup/platform/WindowMessages.h"

class CNightQueue {
public:
    explicit CNightQueue(IWindowMessenger& messenger) : m_messenger(messenger) {}
    CNightQueue(const CNightQueue&) = delete;
    CNightQueue& operator=(const CNightQueue&) = delete;

    // From any thread: queued, and the dialog told.
    void Post(const NightEvent& event);
    // On the dialog's thread, which takes it before it goes on.
    void Keep(const NightEvent& event);
    // The oldest event; false when none waits.
    bool Take(NightEvent& event);
    // Whether an event of this kind waits.
    bool Holds(NightEvent::Kind kind);
    bool Empty();

private:
    IWindowMessenger& m_messenger;
    std::mutex m_lock;
    std::deque<NightEvent> m_events;
};
