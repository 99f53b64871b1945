#pragma once
// Numbers as text without the C library's formatted output, which the
// Windows build would link in whole for a handful of fixed formats.
#include <string>

// value in decimal, with zeros before it up to width digits ("%0*lld").
inline std::string ZeroPadded(long long value, int width) {
    const bool negative = value < 0;
    std::string digits = std::to_string(value);
    if (negative)
        digits.erase(0, 1);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return negative ? "-" + digits : digits;
}
