#include <gtest/gtest.h>

#include "wakeup/schedule/StartAttribute.h"

namespace {
CDateTime Parsed(const std::string& text) {
    CDateTime start(1999, 1, 1, 0, 0, 0);
    EXPECT_TRUE(ParseStartAttribute(text, start)) << text;
    return start;
}

void ExpectRejected(const std::string& text) {
    const CDateTime before(1999, 1, 1, 0, 0, 0);
    CDateTime start = before;
    EXPECT_FALSE(ParseStartAttribute(text, start)) << text;
    EXPECT_FALSE(start != before) << text; // left as it was
}
} // namespace

TEST(StartAttribute, MonthDayYearThenTimeWithSecondsAlwaysZero) {
    EXPECT_FALSE(Parsed("3-1-2005T20:15:00") != CDateTime(2005, 3, 1, 20, 15, 0));
    EXPECT_FALSE(Parsed("12-31-2005T23:59") != CDateTime(2005, 12, 31, 23, 59, 0));
    EXPECT_FALSE(Parsed("3-1-2005T20:15:47") != CDateTime(2005, 3, 1, 20, 15, 0));
    EXPECT_FALSE(Parsed("3-1-2005T20:15Z+01:00 whatever") != CDateTime(2005, 3, 1, 20, 15, 0));
}

TEST(StartAttribute, NumbersMayHaveLeadingBlanksAndSigns) {
    EXPECT_FALSE(Parsed(" 3- 1-+2005T 20:\t15") != CDateTime(2005, 3, 1, 20, 15, 0));
    EXPECT_FALSE(Parsed("03-01-2005T08:05") != CDateTime(2005, 3, 1, 8, 5, 0));
}

TEST(StartAttribute, FewerThanFiveNumbersAreRejected) {
    ExpectRejected("");
    ExpectRejected("3-1-2005");
    ExpectRejected("3-1-2005T20");
    ExpectRejected("3-1-2005T20:");
    ExpectRejected("3/1/2005T20:15");
    ExpectRejected("3-1-2005 20:15");
    ExpectRejected("3-1-2005t20:15");
    ExpectRejected("x3-1-2005T20:15");
    ExpectRejected("3 -1-2005T20:15"); // a blank before a literal does not match
}

TEST(StartAttribute, DatesTheCalendarRefusesAreRejected) {
    ExpectRejected("2005-12-31T23:59"); // year first: month 2005
    ExpectRejected("2-29-2005T10:00");
    ExpectRejected("4-31-2005T10:00");
    ExpectRejected("3-1-2005T24:00");
    ExpectRejected("3-1-2005T23:60");
    ExpectRejected("-3-1-2005T20:15");
    ExpectRejected("3-1-99999999999999999999T20:15");
    EXPECT_FALSE(Parsed("2-29-2004T10:00") != CDateTime(2004, 2, 29, 10, 0, 0));
}
