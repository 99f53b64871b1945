#include "wakeup/schedule/WakeTime.h"

#include <cmath>

#include "wakeup/platform/NumberText.h"

int32_t SpanSeconds(const CDateTimeSpan& span) {
    const double seconds = (span.GetTotalDays() + 1.0 / 172800.0) * 86400.0;
    if (!(seconds < 2147483647.0))
        return INT32_MAX;
    if (!(seconds > -2147483648.0))
        return INT32_MIN;
    return static_cast<int32_t>(seconds);
}

std::string FormatSpanText(const CDateTimeSpan& span) {
    const double days = span.GetTotalDays();
    const double magnitude = std::fabs(days);
    // Rounded whole seconds; a span too large for any target is clamped.
    const long long total =
        magnitude < 1e9 ? std::llround(magnitude * 86400.0) : 1000000000LL * 86400LL;
    const long long wholeDays = total / 86400;
    const long long rest = total % 86400;
    return (days < 0 && total > 0 ? "-" : "") + std::to_string(wholeDays) + " days " +
           ZeroPadded(rest / 3600, 2) + ":" + ZeroPadded(rest / 60 % 60, 2) + ":" +
           ZeroPadded(rest % 60, 2);
}

CDateTime WakeMoment(const CDateTime& target, int32_t spanSeconds) {
    if (spanSeconds > 60)
        return target - CDateTimeSpan(0, 0, 0, 60);
    return target;
}
