#include "wakeup/power/NetworkTraffic.h"

#include "wakeup/platform/NumberText.h"

bool TrafficRate(uint64_t before, uint64_t after, int64_t seconds, uint64_t& bytesPerSecond) {
    if (seconds <= 0 || after < before)
        return false;
    bytesPerSecond = (after - before) / static_cast<uint64_t>(seconds);
    return true;
}

std::string TrafficText(uint64_t bytesPerSecond) {
    const uint64_t kb = bytesPerSecond / 1024;
    if (kb < 1024)
        return std::to_string(kb) + " KB/s";
    // Tenths of a megabyte, rounded as "%.1f" rounds kb / 1024, which is
    // exact in binary: half to even.
    uint64_t tenths = kb * 10 / 1024;
    const uint64_t rest = kb * 10 % 1024;
    if (rest > 512 || (rest == 512 && tenths % 2 == 1))
        ++tenths;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB/s";
}
