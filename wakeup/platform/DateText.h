#pragma once
#include <string>

#include "wakeup/platform/DateTime.h"

// A date-time rendered in the user's default locale, date and time, the time
// left out when it is exactly midnight (the platform's variant-date text).
class IDateText {
public:
    virtual ~IDateText() = default;
    virtual std::string Format(const CDateTime& when) const = 0;
};
