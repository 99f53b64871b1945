#include "wakeup/app/NightQueue.h"

#include <algorithm>

#include "wakeup/platform/DialogMessages.h"

void CNightQueue::Post(const NightEvent& event) {
    Keep(event);
    m_messenger.PostToDialog(DialogMessage::kNightEvent, 0, 0);
}

void CNightQueue::Keep(const NightEvent& event) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_events.push_back(event);
}

bool CNightQueue::Take(NightEvent& event) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_events.empty())
        return false;
    event = std::move(m_events.front());
    m_events.pop_front();
    return true;
}

bool CNightQueue::Holds(NightEvent::Kind kind) {
    std::lock_guard<std::mutex> lock(m_lock);
    return std::any_of(m_events.begin(), m_events.end(),
                       [kind](const NightEvent& event) { return event.kind == kind; });
}

bool CNightQueue::Empty() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_events.empty();
}
