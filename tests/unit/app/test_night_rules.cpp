// The rules of the night, one row per case: no threads, no ports, no waits.
#include <gtest/gtest.h>

#include <cmath>

#include "wakeup/app/NightRules.h"
#include "wakeup/power/WakeVerdict.h"

namespace {
const CDateTime kNow(2005, 3, 2, 21, 0, 0);

CDateTime At(int minutes, int seconds = 0) {
    return kNow + CDateTimeSpan(0, 0, minutes, seconds);
}

// Moments a few operations apart: equal to well within a millisecond.
::testing::AssertionResult Near(const CDateTime& a, const CDateTime& b) {
    if (std::abs(a.GetVariantDate() - b.GetVariantDate()) < 1e-8)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "moments apart by " << (a - b).GetTotalDays() * 86400.0 << " s";
}
} // namespace

TEST(NightRules, WhatAScanArms) {
    // The recording found starts at +20 with a lead of 10: its wake at +10.
    const NightWake found{At(10), At(20), CDateTime(), CDateTime()};
    struct Row {
        const char* name;
        NightWake found;
        CDateTime armed, fired;
        bool suspended, clockChanged;
        CDateTime expected; // unset: nothing armed anew
    };
    const NightWake inLead{At(-5), At(5), CDateTime(), CDateTime()};
    const NightWake started{At(-15), At(-5), CDateTime(), CDateTime()};
    const Row rows[] = {
        {"a new target", found, CDateTime(), CDateTime(), false, false, At(10)},
        {"the armed target again", found, At(10), CDateTime(), false, false, CDateTime()},
        {"the armed target after a clock change", found, At(10), CDateTime(), false, true, At(10)},
        {"the fired target, awake", found, CDateTime(), At(10), false, false, CDateTime()},
        {"the fired target before a sleep", found, CDateTime(), At(10), true, false, At(10)},
        {"within the lead time, awake", inLead, CDateTime(), CDateTime(), false, false,
         CDateTime()},
        {"within the lead time, before a sleep: the start", inLead, CDateTime(), CDateTime(), true,
         false, At(5)},
        {"started already, before a sleep", started, CDateTime(), CDateTime(), true, false,
         CDateTime()},
    };
    for (const Row& row : rows) {
        CNightState night;
        night.armed.target = row.armed;
        night.armed.due = row.armed;
        night.firedTarget = row.fired;
        night.suspended = row.suspended;
        night.clockChanged = row.clockChanged;
        EXPECT_EQ(TargetToArm(night, row.found, kNow), row.expected) << row.name;
    }
}

TEST(NightRules, TheMarginCountsFromTheWakeAndWithinTheLeadTime) {
    struct Row {
        const char* name;
        NightWake armed, upcoming;
        int margin;
        CDateTime expected;
    };
    // Armed: its timer due a minute before the target.
    const NightWake wakeIn5{At(5), At(15), At(4), CDateTime()};
    const NightWake untold{At(2), At(12), CDateTime(), CDateTime()};
    const NightWake inLead{At(-2), At(8), CDateTime(), CDateTime()};
    const Row rows[] = {
        {"due just inside", wakeIn5, wakeIn5, 5, At(15)},
        {"due exactly at the margin", wakeIn5, wakeIn5, 4, CDateTime()},
        {"due inside, start outside", {At(3), At(8), At(2), CDateTime()}, {}, 5, At(8)},
        {"due not told yet: a minute before the target", untold, {}, 2, At(12)},
        {"no margin", wakeIn5, wakeIn5, 0, CDateTime()},
        {"within the lead time, nothing armed", {}, inLead, 1, At(8)},
        {"started already", {}, {At(-12), At(-2), CDateTime(), CDateTime()}, 30, CDateTime()},
    };
    for (const Row& row : rows) {
        CNightState night;
        night.armed = row.armed;
        night.upcoming = row.upcoming;
        const NightWake* within = RecordingWithin(night, row.margin, kNow);
        EXPECT_EQ(within ? within->recordingStart : CDateTime(), row.expected) << row.name;
    }
}

TEST(NightRules, TheHoldAfterAWake) {
    struct Row {
        const char* name;
        CDateTime start, held;
        bool holds;
    };
    const Row rows[] = {
        {"fired before the start", At(1), CDateTime(), true},
        {"a slow resume, nine minutes late", At(-9), CDateTime(), true},
        {"ten minutes late to the second", At(-10), CDateTime(), true},
        {"later than the hold would last", At(-10, -1), CDateTime(), false},
        {"the recording held already", At(1), At(1), false},
    };
    for (const Row& row : rows) {
        CNightState night;
        night.awaitedStart = row.held;
        EXPECT_EQ(HoldsAfterFiring(night, row.start, kNow), row.holds) << row.name;
    }
}

TEST(NightRules, TheClockTickComesAtTheEarliestMomentARuleNames) {
    CNightState night;
    CDateTime at;
    EXPECT_FALSE(NextTick(night, 0, kNow, at)) << "an idle night needs no timer";
    // The margin's hold begins five minutes before the timer is due and
    // ends at the start.
    night.armed = {At(20), At(30), At(19), CDateTime()};
    ASSERT_TRUE(NextTick(night, 5, kNow, at));
    EXPECT_TRUE(Near(at, At(14, 1)));
    EXPECT_FALSE(HoldOf(night, 5, At(14)).why);
    EXPECT_TRUE(HoldOf(night, 5, At(14, 1)).why);
    ASSERT_TRUE(NextTick(night, 5, At(14, 1), at));
    EXPECT_TRUE(Near(at, At(30, 1)));
    EXPECT_FALSE(HoldOf(night, 5, At(30)).why);
    EXPECT_FALSE(NextTick(night, 5, At(30), at)) << "past its start, no tick to wait for";
    night.armed = NightWake();
    night.testDue = At(2);
    ASSERT_TRUE(NextTick(night, 0, kNow, at));
    EXPECT_TRUE(Near(at, At(2, kSlowResumeSeconds + 1)));
    night.rescanAfter = At(3);
    ASSERT_TRUE(NextTick(night, 0, kNow, at));
    EXPECT_TRUE(Near(at, At(3, 1)));
    night.resumePending = true;
    night.resumedAt = kNow;
    ASSERT_TRUE(NextTick(night, 0, kNow, at));
    EXPECT_TRUE(Near(at, At(0, kResumeSettleSeconds)));
    EXPECT_FALSE(ResumeReportDue(night, At(0, kResumeSettleSeconds - 1)));
    EXPECT_TRUE(ResumeReportDue(night, At(0, kResumeSettleSeconds)));
    EXPECT_FALSE(TestGivenUp(night, At(10))) << "a resume is being reported";
    night.resumePending = false;
    EXPECT_FALSE(TestGivenUp(night, At(2, kSlowResumeSeconds)));
    EXPECT_TRUE(TestGivenUp(night, At(2, kSlowResumeSeconds + 1)));
    night.stayAwake = true;
    night.stayAwakeUntil = At(1);
    ASSERT_TRUE(NextTick(night, 0, kNow, at));
    EXPECT_TRUE(Near(at, At(1)));
}
