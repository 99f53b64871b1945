#include "wakeup/schedule/StartAttribute.h"

#include <climits>

#include "wakeup/platform/Blank.h"

namespace {
// One "%d": blanks, an optional sign, at least one digit. Values that do not
// fit are clamped, which no calendar accepts.
bool ReadInt(const char*& p, int& value) {
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return false;
    long long v = 0;
    while (*p >= '0' && *p <= '9') {
        if (v < INT_MAX)
            v = v * 10 + (*p - '0');
        ++p;
    }
    v = negative ? -v : v;
    value = static_cast<int>(v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : v);
    return true;
}

bool Expect(const char*& p, char c) {
    if (*p != c)
        return false;
    ++p;
    return true;
}
} // namespace

bool ParseStartAttribute(const std::string& text, CDateTime& start) {
    const char* p = text.c_str();
    int month = 0, day = 0, year = 0, hour = 0, minute = 0;
    if (!ReadInt(p, month) || !Expect(p, '-') || !ReadInt(p, day) || !Expect(p, '-') ||
        !ReadInt(p, year) || !Expect(p, 'T') || !ReadInt(p, hour) || !Expect(p, ':') ||
        !ReadInt(p, minute))
        return false;
    const CDateTime parsed(year, month, day, hour, minute, 0);
    if (!parsed.IsValid())
        return false;
    start = parsed;
    return true;
}
