// Local starts to UTC moments by a zone's rules, across the changes of
// daylight-saving time, north and south of the equator.
#include <gtest/gtest.h>

#include "wakeup/platform/ZoneRules.h"

namespace {
// A zone an hour ahead in daylight time, between the two changes.
ZoneRules Zone(int bias, const ZoneTransition& toDaylight, const ZoneTransition& toStandard) {
    ZoneRules rules;
    rules.bias = bias;
    rules.daylightBias = -60;
    rules.toDaylight = toDaylight;
    rules.toStandard = toStandard;
    return rules;
}

// Central Europe: UTC+1, daylight UTC+2 from the last Sunday of March 02:00
// to the last Sunday of October 03:00.
ZoneRules Berlin() {
    return Zone(-60, {0, 3, 0, 5, 2, 0, 0}, {0, 10, 0, 5, 3, 0, 0});
}

// Eastern Australia: UTC+10, daylight UTC+11 from the first Sunday of
// October 02:00 to the first Sunday of April 03:00.
ZoneRules Sydney() {
    return Zone(-600, {0, 10, 0, 1, 2, 0, 0}, {0, 4, 0, 1, 3, 0, 0});
}

ZoneRules Tokyo() {
    ZoneRules rules;
    rules.bias = -540;
    return rules;
}

CDateTime At(int month, int day, int hour, int minute) {
    return CDateTime(2027, month, day, hour, minute, 0);
}
} // namespace

TEST(ZoneRules, LocalStartsBecomeUtcAcrossTheChanges) {
    struct Case {
        const char* what;
        ZoneRules rules;
        CDateTime local, utc;
    };
    const Case cases[] = {
        {"Berlin, winter", Berlin(), At(1, 15, 20, 15), At(1, 15, 19, 15)},
        {"Berlin, summer", Berlin(), At(7, 15, 20, 15), At(7, 15, 18, 15)},
        {"Berlin, before the spring gap", Berlin(), At(3, 28, 1, 59), At(3, 28, 0, 59)},
        {"Berlin, in the gap: the moment after it", Berlin(), At(3, 28, 2, 30), At(3, 28, 1, 0)},
        {"Berlin, the gap's end", Berlin(), At(3, 28, 3, 0), At(3, 28, 1, 0)},
        {"Berlin, the repeated hour: its first time", Berlin(), At(10, 31, 2, 30),
         At(10, 31, 0, 30)},
        {"Berlin, after the repeated hour", Berlin(), At(10, 31, 3, 0), At(10, 31, 2, 0)},
        {"Sydney, in the gap", Sydney(), At(10, 3, 2, 30), At(10, 2, 16, 0)},
        {"Sydney, the repeated hour: its first time", Sydney(), At(4, 4, 2, 30), At(4, 3, 15, 30)},
        {"Sydney, after the repeated hour", Sydney(), At(4, 4, 3, 0), At(4, 3, 17, 0)},
        {"Tokyo, no daylight time", Tokyo(), At(3, 28, 2, 30), At(3, 27, 17, 30)},
        // Rules that name the dates of one year rather than weekdays.
        {"by date, in the gap", Zone(-60, {2027, 3, 0, 28, 2, 0, 0}, {2027, 10, 0, 31, 3, 0, 0}),
         At(3, 28, 2, 30), At(3, 28, 1, 0)},
        // The clock's own: standard time all summer only where it keeps no
        // daylight time; a zone set with fixed dates still keeps it.
        {"the automatic change off", ClockRules(Berlin(), false), At(7, 15, 20, 15),
         At(7, 15, 19, 15)},
        {"fixed dates, summer time kept",
         ClockRules(Zone(-60, {2027, 3, 0, 28, 2, 0, 0}, {2027, 10, 0, 31, 3, 0, 0}), true),
         At(7, 15, 20, 15), At(7, 15, 18, 15)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(LocalToUtc(c.rules, c.local).GetVariantDate(), c.utc.GetVariantDate(), 1e-7);
    }
}
