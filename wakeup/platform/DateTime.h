#pragma once
#include <cmath>
#include <cstdint>

// Local calendar date and time without a time zone, held as the platform's
// variant date: days since 30 December 1899 00:00 with the time of day as the
// fraction, plus a validity status. Before the zero date the fraction still
// counts forward from midnight (-1.25 is 29 December 1899 06:00), so all
// arithmetic goes through a linear day count.

class CDateTimeSpan {
public:
    CDateTimeSpan() = default;
    explicit CDateTimeSpan(double days) : m_days(days) {}
    CDateTimeSpan(long days, int hours, int minutes, int seconds)
        : m_days(static_cast<double>(days) + hours / 24.0 + minutes / 1440.0 + seconds / 86400.0) {}

    double GetTotalDays() const { return m_days; }

private:
    double m_days = 0.0;
};

class CDateTime;
// A UTC moment as a file time (100-ns units since 1 January 1601), in whole
// seconds, and back.
int64_t FileTimeOf(const CDateTime& utc);
CDateTime FromFileTime(int64_t fileTime);

class CDateTime {
public:
    enum Status { valid, invalid };

    // The zero date, valid.
    CDateTime() = default;
    // Checks the calendar (year 100 to 9999, month 1 to 12, day within the
    // month, hour 0-23, minute and second 0-59); invalid otherwise.
    CDateTime(int year, int month, int day, int hour, int minute, int second);

    static CDateTime FromVariantDate(double date);
    static bool IsLeapYear(int year);
    static int DaysInMonth(int year, int month);

    double GetVariantDate() const { return m_date; }
    bool IsValid() const { return m_status == valid; }

    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    // Sunday 1 to Saturday 7.
    int GetDayOfWeek() const;
    // All of the above at once.
    struct Parts {
        int year, month, day, hour, minute, second, dayOfWeek;
    };
    Parts GetParts() const { return Split(); }

    CDateTime operator-(const CDateTimeSpan& span) const;
    CDateTime operator+(const CDateTimeSpan& span) const;
    CDateTimeSpan operator-(const CDateTime& other) const;

    bool operator<(const CDateTime& o) const { return Linear() < o.Linear(); }
    bool operator>(const CDateTime& o) const { return Linear() > o.Linear(); }
    bool operator<=(const CDateTime& o) const { return Linear() <= o.Linear(); }
    bool operator>=(const CDateTime& o) const { return Linear() >= o.Linear(); }
    // Equality compares the day counts; "differs" also compares the status.
    bool operator==(const CDateTime& o) const { return m_date == o.m_date; }
    bool operator!=(const CDateTime& o) const {
        return m_date != o.m_date || m_status != o.m_status;
    }

private:
    // Inline: the comparisons and the arithmetic run in every scheduling
    // decision.
    double Linear() const {
        if (m_date >= 0.0)
            return m_date;
        const double whole = std::ceil(m_date);
        return whole + (whole - m_date);
    }
    static double FromLinear(double linear) {
        if (linear >= 0.0)
            return linear;
        const double whole = std::floor(linear);
        const double fraction = linear - whole;
        return whole - fraction;
    }
    Parts Split() const;

    double m_date = 0.0;
    Status m_status = valid;
};

inline CDateTime CDateTime::FromVariantDate(double date) {
    CDateTime result;
    result.m_date = date;
    // The variant date range: 1 January 100 to 31 December 9999.
    if (!(date >= -657434.0 && date < 2958466.0))
        result.m_status = invalid;
    return result;
}

inline CDateTime CDateTime::operator+(const CDateTimeSpan& span) const {
    CDateTime result = FromVariantDate(FromLinear(Linear() + span.GetTotalDays()));
    if (!IsValid())
        result.m_status = invalid;
    return result;
}

inline CDateTime CDateTime::operator-(const CDateTimeSpan& span) const {
    return *this + CDateTimeSpan(-span.GetTotalDays());
}

inline CDateTimeSpan CDateTime::operator-(const CDateTime& other) const {
    return CDateTimeSpan(Linear() - other.Linear());
}

// Unset moments are the zero date.
inline bool IsSet(const CDateTime& when) {
    return when > CDateTime();
}
