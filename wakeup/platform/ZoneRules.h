#pragma once
// A time zone's rules as the system states them for one year (the fields of
// TIME_ZONE_INFORMATION), and the conversion of a local wall-clock moment to
// UTC by them. The conversion makes its own choice where the wall clock is
// not one moment: a local time in the hour that the spring change skips is
// the moment right after the gap, and one in the autumn's repeated hour is
// its first occurrence (still daylight time). Both wake a PC no later than
// the host can start the recording.
#include "wakeup/platform/DateTime.h"

// When a change of offset happens. year 0: every year, on the week-th
// (1 to 4, 5 the last) dayOfWeek (0 Sunday to 6 Saturday) of the month;
// otherwise on that date. month 0: no change.
struct ZoneTransition {
    int year = 0, month = 0, dayOfWeek = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

// UTC = local + bias + standardBias (or daylightBias), in minutes.
struct ZoneRules {
    int bias = 0;
    int standardBias = 0;
    int daylightBias = 0;
    ZoneTransition toStandard; // given in local daylight time
    ZoneTransition toDaylight; // given in local standard time
};

// The transition's local date and time in the year; invalid when the rule
// names none.
CDateTime TransitionMoment(const ZoneTransition& transition, int year);

// The UTC moment of the local one, by the rules of its year.
CDateTime LocalToUtc(const ZoneRules& rules, const CDateTime& local);

// The rules the clock keeps: the year's, or standard time all year where
// the system says the clock keeps no daylight time (the zone has none, or
// the automatic change is turned off). Fixed transition dates, which a
// program that set the zone leaves behind, still change the clock.
ZoneRules ClockRules(const ZoneRules& yearRules, bool keepsDaylightTime);
