#include <gtest/gtest.h>

#include "wakeup/schedule/WakeTime.h"

namespace {
CDateTimeSpan Seconds(int s) {
    return CDateTimeSpan(0, 0, 0, s);
}
} // namespace

TEST(WakeTime, SpanSecondsAbsorbFloatingPointError) {
    const CDateTime now(2005, 3, 2, 20, 19, 30);
    EXPECT_EQ(SpanSeconds(CDateTime(2005, 3, 2, 22, 25, 0) - now), 7530);
    EXPECT_EQ(SpanSeconds(CDateTime(2005, 3, 2, 20, 20, 31) - now), 61);
    EXPECT_EQ(SpanSeconds(Seconds(60)), 60);
    EXPECT_EQ(SpanSeconds(Seconds(0)), 0);
    EXPECT_EQ(SpanSeconds(Seconds(-30)), -29); // truncated toward zero after the half second
    EXPECT_EQ(SpanSeconds(CDateTimeSpan(1e9)), INT32_MAX);
    EXPECT_EQ(SpanSeconds(CDateTimeSpan(-1e9)), INT32_MIN);
}

TEST(WakeTime, SpanTextIsDaysThenTimeOfDay) {
    EXPECT_EQ(FormatSpanText(CDateTimeSpan(0, 2, 5, 30)), "0 days 02:05:30");
    EXPECT_EQ(FormatSpanText(CDateTimeSpan(1, 0, 0, 5)), "1 days 00:00:05");
    EXPECT_EQ(FormatSpanText(CDateTimeSpan(12, 23, 59, 59)), "12 days 23:59:59");
    EXPECT_EQ(FormatSpanText(CDateTimeSpan(0.0)), "0 days 00:00:00");
    // 23:59:59.6 rounds into the next day.
    EXPECT_EQ(FormatSpanText(CDateTimeSpan(1.0 - 0.4 / 86400.0)), "1 days 00:00:00");
    EXPECT_EQ(FormatSpanText(Seconds(-30)), "-0 days 00:00:30");
}

TEST(WakeTime, WakesSixtySecondsEarlyUnlessTheTargetIsCloser) {
    const CDateTime target(2005, 3, 2, 22, 25, 0);
    EXPECT_FALSE(WakeMoment(target, 61) != CDateTime(2005, 3, 2, 22, 24, 0));
    EXPECT_FALSE(WakeMoment(target, 7530) != CDateTime(2005, 3, 2, 22, 24, 0));
    EXPECT_FALSE(WakeMoment(target, 60) != target);
    EXPECT_FALSE(WakeMoment(target, 30) != target);
    EXPECT_FALSE(WakeMoment(target, -5) != target);
}
