#include "wakeup/app/SleepRequests.h"

#include <memory>

#include "wakeup/power/Privilege.h"

namespace {
struct Request {
    CSleepRequests::Ports ports;
    CNightQueue& queue;
    const std::atomic<bool>& stop;
    bool hibernate;
    SleepOrigin origin;
};
} // namespace

bool CSleepRequests::Start(bool hibernate, SleepOrigin origin) {
    // The thread owns the request: two may be under way at once.
    auto request = std::make_unique<Request>(Request{m_ports, m_queue, m_stop, hibernate, origin});
    if (!m_ports.threads.Start(Run, request.get()))
        return false;
    request.release();
    return true;
}

unsigned CSleepRequests::Run(void* param) {
    const std::unique_ptr<Request> request(static_cast<Request*>(param));
    const uint32_t error = RequestSleep(request->ports.power, request->hibernate);
    if (request->stop)
        return 0;
    NightEvent done(NightEvent::sleepRequestDone, static_cast<int32_t>(error));
    done.origin = request->origin;
    request->queue.Post(done);
    return 0;
}
