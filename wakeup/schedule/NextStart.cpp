#include "wakeup/schedule/NextStart.h"

const CDateTime NEXT_START_NONE(2100, 1, 1, 0, 0, 0);

namespace {
// The date d days after today's date, at the start's hour and minute.
CDateTime DaysAfterToday(const CDateTime& now, int days, const CDateTime& start) {
    const CDateTime::Parts day = now.GetParts(), at = start.GetParts();
    const CDateTime today(day.year, day.month, day.day, at.hour, at.minute, 0);
    return today + CDateTimeSpan(days, 0, 0, 0);
}
} // namespace

bool NextScheduleStart(const CDateTime& start, const std::string& freq, const CDateTime& now,
                       CDateTime& next) {
    if (freq == "once") {
        next = start;
        return start > now;
    }
    if (freq == "weekly") {
        if (start > now) {
            next = start;
            return true;
        }
        int d = start.GetDayOfWeek() - now.GetDayOfWeek();
        if (d < 0)
            d += 7;
        if (d == 0 && !(DaysAfterToday(now, 0, start) > now))
            d = 7;
        next = DaysAfterToday(now, d, start);
        return true;
    }
    if (freq == "daily") {
        if (!(start < now)) {
            next = start;
            return true;
        }
        next = DaysAfterToday(now, 0, start);
        if (!(next > now))
            next = DaysAfterToday(now, 1, start);
        return true;
    }
    return false;
}

ScheduleEntryResult EvaluateScheduleEntry(const CDateTime& start, const std::string& freq,
                                          const std::string& channel, const CDateTime& now,
                                          const IDateText& dateText) {
    ScheduleEntryResult result;
    result.hasCandidate = NextScheduleStart(start, freq, now, result.candidate);
    if (freq == "once")
        result.logLine =
            "One-time schedule found for channel " + channel + " Start: " + dateText.Format(start);
    else if (result.hasCandidate)
        result.logLine = std::string(freq == "weekly" ? "Weekly" : "Daily") +
                         " schedule found for channel " + channel +
                         " Original:" + dateText.Format(start) +
                         " Calculated Start: " + dateText.Format(result.candidate);
    return result;
}
