#include "wakeup/platform/ZoneRules.h"

namespace {
CDateTimeSpan Minutes(int minutes) {
    return CDateTimeSpan(0, 0, minutes, 0);
}
} // namespace

CDateTime TransitionMoment(const ZoneTransition& t, int year) {
    if (t.month < 1 || t.month > 12)
        return CDateTime(0, 0, 0, 0, 0, 0); // invalid
    if (t.year != 0)
        return CDateTime(year, t.month, t.day, t.hour, t.minute, t.second);
    const CDateTime first(year, t.month, 1, t.hour, t.minute, t.second);
    if (!first.IsValid() || t.day < 1 || t.day > 5 || t.dayOfWeek < 0 || t.dayOfWeek > 6)
        return CDateTime(0, 0, 0, 0, 0, 0);
    // GetDayOfWeek counts Sunday as 1, the rules as 0.
    const int firstDay = (t.dayOfWeek - (first.GetDayOfWeek() - 1) + 7) % 7 + 1;
    int day = firstDay + 7 * (t.day - 1);
    while (day > CDateTime::DaysInMonth(year, t.month))
        day -= 7; // "the fifth" is the last
    return CDateTime(year, t.month, day, t.hour, t.minute, t.second);
}

CDateTime LocalToUtc(const ZoneRules& rules, const CDateTime& local) {
    const CDateTime standard = local + Minutes(rules.bias + rules.standardBias);
    const CDateTime toDaylight = TransitionMoment(rules.toDaylight, local.GetYear());
    const CDateTime toStandard = TransitionMoment(rules.toStandard, local.GetYear());
    if (!toDaylight.IsValid() || !toStandard.IsValid())
        return standard;
    // How far the clock goes forward in spring (and back in autumn).
    const int shift = rules.standardBias - rules.daylightBias;
    const CDateTime gapEnd = toDaylight + Minutes(shift > 0 ? shift : 0);
    // The hour the spring change skips: the moment right after it.
    if (!(local < toDaylight) && local < gapEnd)
        return toDaylight + Minutes(rules.bias + rules.standardBias);
    // Daylight time from the end of the gap to the autumn change; the
    // repeated hour before that change counts as daylight time, its first
    // occurrence. South of the equator the daylight period spans the new
    // year.
    const bool daylight = toDaylight < toStandard ? !(local < gapEnd) && local < toStandard
                                                  : local < toStandard || !(local < gapEnd);
    return daylight ? local + Minutes(rules.bias + rules.daylightBias) : standard;
}

ZoneRules ClockRules(const ZoneRules& yearRules, bool keepsDaylightTime) {
    ZoneRules rules = yearRules;
    if (!keepsDaylightTime)
        rules.toStandard = rules.toDaylight = ZoneTransition();
    return rules;
}
