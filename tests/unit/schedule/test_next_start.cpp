#include <gtest/gtest.h>

#include "tests/fakes/FakePlatform.h"
#include "wakeup/schedule/NextStart.h"

namespace {
const CFakeDateText kText;

ScheduleEntryResult Evaluate(const CDateTime& start, const std::string& freq,
                             const CDateTime& now) {
    return EvaluateScheduleEntry(start, freq, "ARD", now, kText);
}

void ExpectDue(const ScheduleEntryResult& r, const CDateTime& expected) {
    ASSERT_TRUE(r.hasCandidate);
    EXPECT_EQ(kText.Format(r.candidate), kText.Format(expected));
    EXPECT_FALSE(r.candidate != expected);
}

// Wednesday 2 March 2005, 21:00.
const CDateTime kNow(2005, 3, 2, 21, 0, 0);
} // namespace

TEST(NextStartOnce, FutureStartIsTheCandidate) {
    const auto r = Evaluate(CDateTime(2005, 3, 5, 8, 0, 0), "once", kNow);
    ExpectDue(r, CDateTime(2005, 3, 5, 8, 0, 0));
    EXPECT_EQ(r.logLine, "One-time schedule found for channel ARD Start: 3/5/2005 8:00:00 AM");
}

TEST(NextStartOnce, PastOrNowGivesNoCandidateButIsLogged) {
    const auto past = Evaluate(CDateTime(2005, 3, 1, 20, 15, 0), "once", kNow);
    EXPECT_FALSE(past.hasCandidate);
    EXPECT_EQ(past.logLine, "One-time schedule found for channel ARD Start: 3/1/2005 8:15:00 PM");
    EXPECT_FALSE(Evaluate(kNow, "once", kNow).hasCandidate);
}

TEST(NextStartWeekly, SameWeekdayBeforeAndAfterItsTime) {
    // Wednesday 23 February, 22:30: today's 22:30 is still ahead.
    ExpectDue(Evaluate(CDateTime(2005, 2, 23, 22, 30, 0), "weekly", kNow),
              CDateTime(2005, 3, 2, 22, 30, 0));
    // 20:15 has passed: in 7 days.
    const auto r = Evaluate(CDateTime(2005, 2, 23, 20, 15, 0), "weekly", kNow);
    ExpectDue(r, CDateTime(2005, 3, 9, 20, 15, 0));
    EXPECT_EQ(r.logLine, "Weekly schedule found for channel ARD Original:2/23/2005 8:15:00 PM "
                         "Calculated Start: 3/9/2005 8:15:00 PM");
    // Exactly now counts as passed.
    ExpectDue(Evaluate(CDateTime(2005, 2, 23, 21, 0, 0), "weekly", kNow),
              CDateTime(2005, 3, 9, 21, 0, 0));
}

TEST(NextStartWeekly, WeekdayDifferenceWrapsAroundTheWeek) {
    // Saturday seen on Sunday: 6 days on.
    const CDateTime sunday(2005, 3, 6, 12, 0, 0);
    ExpectDue(Evaluate(CDateTime(2005, 2, 26, 9, 0, 0), "weekly", sunday),
              CDateTime(2005, 3, 12, 9, 0, 0));
    // Seen on Monday 28 February with d = 3: Thursday 3 March.
    const CDateTime monday(2005, 2, 28, 12, 0, 0);
    ExpectDue(Evaluate(CDateTime(2005, 2, 17, 18, 45, 0), "weekly", monday),
              CDateTime(2005, 3, 3, 18, 45, 0));
    // Across the year's end.
    const CDateTime friday(2004, 12, 31, 23, 0, 0);
    ExpectDue(Evaluate(CDateTime(2004, 12, 6, 6, 0, 0), "weekly", friday),
              CDateTime(2005, 1, 3, 6, 0, 0));
}

TEST(NextStartDaily, PastTimeOfDayMovesToTomorrowAcrossMonthAndYear) {
    ExpectDue(Evaluate(CDateTime(2005, 1, 10, 20, 0, 0), "daily", CDateTime(2005, 1, 31, 21, 0, 0)),
              CDateTime(2005, 2, 1, 20, 0, 0));
    ExpectDue(
        Evaluate(CDateTime(2005, 1, 10, 20, 0, 0), "daily", CDateTime(2005, 12, 31, 21, 0, 0)),
        CDateTime(2006, 1, 1, 20, 0, 0));
    // Still ahead today.
    const auto r = Evaluate(CDateTime(2005, 3, 1, 22, 30, 0), "daily", kNow);
    ExpectDue(r, CDateTime(2005, 3, 2, 22, 30, 0));
    EXPECT_EQ(r.logLine, "Daily schedule found for channel ARD Original:3/1/2005 10:30:00 PM "
                         "Calculated Start: 3/2/2005 10:30:00 PM");
    // Today's time equal to now: tomorrow.
    ExpectDue(Evaluate(CDateTime(2005, 3, 1, 21, 0, 0), "daily", kNow),
              CDateTime(2005, 3, 3, 21, 0, 0));
}

TEST(NextStartRepeating, FirstStartStillAheadIsUsedUnchangedAndLoggedTwice) {
    const CDateTime ahead(2005, 4, 1, 0, 0, 0);
    for (const char* freq : {"daily", "weekly"}) {
        const auto r = Evaluate(ahead, freq, kNow);
        ExpectDue(r, ahead);
        EXPECT_NE(r.logLine.find("Original:4/1/2005 Calculated Start: 4/1/2005"), std::string::npos)
            << r.logLine;
    }
    // A daily start exactly at now is used as it is.
    ExpectDue(Evaluate(kNow, "daily", kNow), kNow);
}

TEST(NextStartRepeating, OtherRepetitionsCountForNothing) {
    for (const char* freq : {"", "Daily", "WEEKLY", "monthly", "once "}) {
        const auto r = Evaluate(CDateTime(2005, 4, 1, 0, 0, 0), freq, kNow);
        EXPECT_FALSE(r.hasCandidate) << freq;
        EXPECT_TRUE(r.logLine.empty()) << freq;
    }
}
