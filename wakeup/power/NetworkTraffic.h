#pragma once
// Traffic over the PC's network interfaces as activity: a client that
// streams a recording to another room asks Windows for nothing.
#include <cstdint>
#include <string>

// Bytes a second between two readings of the interfaces' byte counters,
// `seconds` apart; false where there is no rate to tell (the first reading,
// no time between, or a total that went back because an interface went).
bool TrafficRate(uint64_t before, uint64_t after, int64_t seconds, uint64_t& bytesPerSecond);

// "850 KB/s", or "1.9 MB/s" from 1024 KB/s on.
std::string TrafficText(uint64_t bytesPerSecond);
