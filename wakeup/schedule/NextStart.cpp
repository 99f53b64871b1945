#include "wakeup/schedule/NextStart.h"

const CDateTime NEXT_START_NONE(2100, 1, 1, 0, 0, 0);

namespace {
// The date d days after today's date, at the start's hour and minute.
CDateTime DaysAfterToday(const CDateTime& now, int days, const CDateTime& start) {
    const CDateTime today(now.GetYear(), now.GetMonth(), now.GetDay(), start.GetHour(),
                          start.GetMinute(), 0);
    return today + CDateTimeSpan(days, 0, 0, 0);
}

ScheduleEntryResult Repeating(const char* kind, const std::string& channel, const CDateTime& start,
                              const CDateTime& calculated, const IDateText& dateText) {
    ScheduleEntryResult result;
    result.hasCandidate = true;
    result.candidate = calculated;
    result.logLine = std::string(kind) + " schedule found for channel " + channel +
                     " Original:" + dateText.Format(start) +
                     " Calculated Start: " + dateText.Format(calculated);
    return result;
}
} // namespace

ScheduleEntryResult EvaluateScheduleEntry(const CDateTime& start, const std::string& freq,
                                          const std::string& channel, const CDateTime& now,
                                          const IDateText& dateText) {
    if (freq == "once") {
        ScheduleEntryResult result;
        result.logLine =
            "One-time schedule found for channel " + channel + " Start: " + dateText.Format(start);
        result.hasCandidate = start > now;
        result.candidate = start;
        return result;
    }
    if (freq == "weekly") {
        if (start > now)
            return Repeating("Weekly", channel, start, start, dateText);
        int d = start.GetDayOfWeek() - now.GetDayOfWeek();
        if (d < 0)
            d += 7;
        if (d == 0 && !(DaysAfterToday(now, 0, start) > now))
            d = 7;
        return Repeating("Weekly", channel, start, DaysAfterToday(now, d, start), dateText);
    }
    if (freq == "daily") {
        if (!(start < now))
            return Repeating("Daily", channel, start, start, dateText);
        CDateTime calculated = DaysAfterToday(now, 0, start);
        if (!(calculated > now))
            calculated = DaysAfterToday(now, 1, start);
        return Repeating("Daily", channel, start, calculated, dateText);
    }
    return ScheduleEntryResult();
}
