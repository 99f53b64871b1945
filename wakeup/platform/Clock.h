#pragma once
#include "wakeup/platform/DateTime.h"

// The system clock's local time in whole seconds.
class IClock {
public:
    virtual ~IClock() = default;
    virtual CDateTime Now() const = 0;
};
