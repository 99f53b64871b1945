// Arbitrary bytes as the host's record, which any program of the session
// can write: read or refused, never read past, with the counts in reason.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "wakeup/platform/HostLookup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HostSeen seen;
    const bool read = ReadHostRecord(data, size, seen);
    if (read && (seen.process == 0 || seen.recordings < 0 || seen.recordings > 16))
        std::abort();
    if (!read && (seen.process != 0 || seen.recordings != 0 || seen.paused))
        std::abort();
    return 0;
}
