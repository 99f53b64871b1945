#include "wakeup/power/NetworkTraffic.h"

#include <cstdio>

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
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB/s", static_cast<double>(kb) / 1024.0);
    return text;
}
