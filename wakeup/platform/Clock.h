#pragma once
#include <cstdint>

#include "wakeup/platform/DateTime.h"

// The system clock in whole seconds: local wall-clock time, and UTC, which
// the night's moments are compared in (it neither jumps nor repeats an hour).
class IClock {
public:
    virtual ~IClock() = default;
    virtual CDateTime Now() const = 0;
    virtual CDateTime NowUtc() const = 0;
};

// Local wall-clock time to the system's UTC file time (100-ns units since
// 1 January 1601), with the time-zone rules in force at that moment.
class ILocalTimeConverter {
public:
    // What a moment that cannot be converted gives: as a due time it would
    // be 1601, long past, and fire at once.
    static constexpr int64_t kUnconvertible = 0;
    virtual ~ILocalTimeConverter() = default;
    virtual int64_t LocalToUtcFileTime(const CDateTime& local) const = 0;
};

// The UTC moment of a local one; unset (the zero date) when it cannot be
// converted.
inline CDateTime UtcOf(const ILocalTimeConverter& converter, const CDateTime& local) {
    const int64_t fileTime = converter.LocalToUtcFileTime(local);
    return fileTime == ILocalTimeConverter::kUnconvertible ? CDateTime() : FromFileTime(fileTime);
}
