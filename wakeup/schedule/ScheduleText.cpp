#include "wakeup/schedule/ScheduleText.h"

#include <algorithm>

std::string DecodeScheduleText(const std::vector<char>& bytes, const ICodePage& codePage) {
    const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE) {
        std::u16string units;
        for (size_t i = 2; i < bytes.size(); i += 2) {
            const unsigned low = byteAt(i);
            const unsigned high = i + 1 < bytes.size() ? byteAt(i + 1) : 0u;
            const auto unit = static_cast<char16_t>(low | high << 8);
            if (unit == 0)
                break;
            units.push_back(unit);
        }
        return codePage.FromUtf16(units.data(), units.size());
    }
    return std::string(bytes.begin(), std::find(bytes.begin(), bytes.end(), '\0'));
}
