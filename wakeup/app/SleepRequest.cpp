#include "wakeup/app/SleepRequest.h"

#include <memory>

#include "wakeup/platform/DialogMessages.h"
#include "wakeup/power/Privilege.h"

namespace {
struct Request {
    CSleepRequests::Ports ports;
    const std::atomic<bool>& stop;
    bool hibernate;
    SleepOrigin origin;
};
} // namespace

bool CSleepRequests::Start(bool hibernate, SleepOrigin origin) {
    // The thread owns the request: two may be under way at once.
    auto request = std::make_unique<Request>(Request{m_ports, m_stop, hibernate, origin});
    if (!m_ports.threads.Start(Run, request.get()))
        return false;
    request.release();
    return true;
}

unsigned CSleepRequests::Run(void* param) {
    const std::unique_ptr<Request> request(static_cast<Request*>(param));
    const uint32_t error = RequestSleep(request->ports.power, request->hibernate);
    if (!request->stop)
        request->ports.messenger.PostToDialog(DialogMessage::kSleepRequestDone, error,
                                              static_cast<int32_t>(request->origin));
    return 0;
}
