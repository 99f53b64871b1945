#include "wakeup/platform/DateTime.h"

#include <cmath>

namespace {
constexpr int64_t kSecondsPerDay = 86400;

// Days from 1 January of year 1 (proleptic Gregorian) to the given date.
constexpr int64_t DaysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yoe = year - era * 400;
    const int64_t mp = (month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468; // days since 1970-01-01
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr int64_t kZeroDateDays = DaysFromCivil(1899, 12, 30);
} // namespace

bool CDateTime::IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int CDateTime::DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

CDateTime::CDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59) {
        m_status = invalid;
        return;
    }
    const int64_t days = DaysFromCivil(year, month, day) - kZeroDateDays;
    const double linear =
        static_cast<double>(days) + static_cast<double>(hour * 3600 + minute * 60 + second) /
                                        static_cast<double>(kSecondsPerDay);
    m_date = FromLinear(linear);
}

CDateTime::Parts CDateTime::Split() const {
    Parts p{};
    // Rounded to the nearest second, which absorbs the floating-point error
    // of the fraction.
    const auto total = static_cast<int64_t>(std::llround(Linear() * kSecondsPerDay));
    int64_t days = total / kSecondsPerDay;
    int64_t secs = total % kSecondsPerDay;
    if (secs < 0) {
        secs += kSecondsPerDay;
        --days;
    }
    CivilFromDays(days + kZeroDateDays, p.year, p.month, p.day);
    p.hour = static_cast<int>(secs / 3600);
    p.minute = static_cast<int>(secs / 60 % 60);
    p.second = static_cast<int>(secs % 60);
    // 1 January 1970 was a Thursday (5).
    const int64_t sinceEpoch = days + kZeroDateDays;
    p.dayOfWeek = static_cast<int>(((sinceEpoch % 7) + 7 + 4) % 7) + 1;
    return p;
}

int CDateTime::GetYear() const {
    return Split().year;
}
int CDateTime::GetMonth() const {
    return Split().month;
}
int CDateTime::GetDay() const {
    return Split().day;
}
int CDateTime::GetHour() const {
    return Split().hour;
}
int CDateTime::GetMinute() const {
    return Split().minute;
}
int CDateTime::GetSecond() const {
    return Split().second;
}
int CDateTime::GetDayOfWeek() const {
    return Split().dayOfWeek;
}

namespace {
// Days between 1 January 1601 and the zero date, 30 December 1899.
constexpr int64_t kZeroDateInFileTimeDays = 109205;
constexpr int64_t kFileTimePerSecond = 10000000;
} // namespace

int64_t FileTimeOf(const CDateTime& utc) {
    const double days = (utc - CDateTime()).GetTotalDays() + kZeroDateInFileTimeDays;
    return std::llround(days * 86400.0) * kFileTimePerSecond;
}

CDateTime FromFileTime(int64_t fileTime) {
    const int64_t seconds = fileTime / kFileTimePerSecond;
    return CDateTime() + CDateTimeSpan(static_cast<double>(seconds) / 86400.0 -
                                       static_cast<double>(kZeroDateInFileTimeDays));
}
