#include <gtest/gtest.h>

#include "wakeup/platform/DateTime.h"

TEST(DateTime, ZeroDateIsThirtiethDecember1899) {
    const CDateTime zero;
    EXPECT_TRUE(zero.IsValid());
    EXPECT_EQ(zero.GetVariantDate(), 0.0);
    EXPECT_EQ(zero.GetYear(), 1899);
    EXPECT_EQ(zero.GetMonth(), 12);
    EXPECT_EQ(zero.GetDay(), 30);
    EXPECT_EQ(CDateTime(1899, 12, 30, 0, 0, 0).GetVariantDate(), 0.0);
}

TEST(DateTime, KnownVariantDates) {
    EXPECT_EQ(CDateTime(1900, 1, 1, 0, 0, 0).GetVariantDate(), 2.0);
    EXPECT_EQ(CDateTime(2005, 3, 1, 0, 0, 0).GetVariantDate(), 38412.0);
    EXPECT_DOUBLE_EQ(CDateTime(2005, 3, 1, 18, 0, 0).GetVariantDate(), 38412.75);
    // Before the zero date the fraction still counts forward from midnight.
    EXPECT_DOUBLE_EQ(CDateTime(1899, 12, 29, 6, 0, 0).GetVariantDate(), -1.25);
    EXPECT_EQ(CDateTime::FromVariantDate(-1.25).GetHour(), 6);
    EXPECT_EQ(CDateTime::FromVariantDate(-1.25).GetDay(), 29);
}

TEST(DateTime, PartsReadBack) {
    const CDateTime t(2005, 12, 31, 23, 59, 58);
    EXPECT_EQ(t.GetYear(), 2005);
    EXPECT_EQ(t.GetMonth(), 12);
    EXPECT_EQ(t.GetDay(), 31);
    EXPECT_EQ(t.GetHour(), 23);
    EXPECT_EQ(t.GetMinute(), 59);
    EXPECT_EQ(t.GetSecond(), 58);
}

TEST(DateTime, WeekdayCountsFromSunday) {
    EXPECT_EQ(CDateTime(2005, 3, 6, 0, 0, 0).GetDayOfWeek(), 1);  // Sunday
    EXPECT_EQ(CDateTime(2005, 3, 2, 21, 0, 0).GetDayOfWeek(), 4); // Wednesday
    EXPECT_EQ(CDateTime(2005, 3, 5, 23, 59, 59).GetDayOfWeek(), 7);
    EXPECT_EQ(CDateTime(1899, 12, 30, 0, 0, 0).GetDayOfWeek(), 7);
    EXPECT_EQ(CDateTime(1899, 12, 29, 12, 0, 0).GetDayOfWeek(), 6);
}

TEST(DateTime, CalendarChecksOnConstruction) {
    EXPECT_TRUE(CDateTime(2004, 2, 29, 0, 0, 0).IsValid());
    EXPECT_FALSE(CDateTime(2005, 2, 29, 0, 0, 0).IsValid());
    EXPECT_FALSE(CDateTime(1900, 2, 29, 0, 0, 0).IsValid());
    EXPECT_TRUE(CDateTime(2000, 2, 29, 0, 0, 0).IsValid());
    EXPECT_FALSE(CDateTime(2005, 13, 1, 0, 0, 0).IsValid());
    EXPECT_FALSE(CDateTime(2005, 0, 1, 0, 0, 0).IsValid());
    EXPECT_FALSE(CDateTime(2005, 4, 31, 0, 0, 0).IsValid());
    EXPECT_FALSE(CDateTime(2005, 4, 0, 0, 0, 0).IsValid());
    EXPECT_FALSE(CDateTime(2005, 4, 1, 24, 0, 0).IsValid());
    EXPECT_FALSE(CDateTime(2005, 4, 1, 0, 60, 0).IsValid());
    EXPECT_FALSE(CDateTime(2005, 4, 1, 0, 0, 60).IsValid());
    EXPECT_FALSE(CDateTime(2005, 4, 1, -1, 0, 0).IsValid());
    EXPECT_FALSE(CDateTime(10000, 1, 1, 0, 0, 0).IsValid());
    EXPECT_TRUE(CDateTime(9999, 12, 31, 23, 59, 59).IsValid());
    // Month 2005 from a year-first start text.
    EXPECT_FALSE(CDateTime(31, 2005, 12, 23, 59, 0).IsValid());
}

TEST(DateTime, SpanArithmeticCarriesAcrossMonthAndYearEnds) {
    const CDateTime eve(2005, 12, 31, 23, 59, 0);
    const CDateTime next = eve + CDateTimeSpan(0, 0, 1, 0);
    EXPECT_EQ(next.GetYear(), 2006);
    EXPECT_EQ(next.GetMonth(), 1);
    EXPECT_EQ(next.GetDay(), 1);
    EXPECT_EQ(next.GetHour(), 0);
    const CDateTime back = CDateTime(2005, 3, 1, 0, 2, 0) - CDateTimeSpan(0, 0, 5, 0);
    EXPECT_EQ(back.GetMonth(), 2);
    EXPECT_EQ(back.GetDay(), 28);
    EXPECT_EQ(back.GetHour(), 23);
    EXPECT_EQ(back.GetMinute(), 57);
    const CDateTimeSpan span = CDateTime(2005, 3, 2, 22, 25, 0) - CDateTime(2005, 3, 2, 20, 19, 30);
    EXPECT_NEAR(span.GetTotalDays() * 86400.0, 2 * 3600 + 5 * 60 + 30, 1e-6);
    EXPECT_DOUBLE_EQ(CDateTimeSpan(1, 0, 0, 5).GetTotalDays(), 1.0 + 5.0 / 86400.0);
}

TEST(DateTime, ComparisonOrdersAcrossTheZeroDate) {
    const CDateTime early(1899, 12, 29, 6, 0, 0);  // -1.25
    const CDateTime later(1899, 12, 29, 18, 0, 0); // -1.75
    EXPECT_LT(early, later);
    EXPECT_GT(CDateTime(), later);
    EXPECT_LT(CDateTime(2005, 3, 2, 22, 29, 59), CDateTime(2005, 3, 2, 22, 30, 0));
}

TEST(DateTime, DiffersComparesTheStatusToo) {
    const CDateTime bad(2005, 2, 30, 0, 0, 0);
    const CDateTime zero;
    EXPECT_TRUE(bad == zero);
    EXPECT_TRUE(bad != zero);
    EXPECT_FALSE(CDateTime(2005, 3, 1, 0, 0, 0) != CDateTime(2005, 3, 1, 0, 0, 0));
}
