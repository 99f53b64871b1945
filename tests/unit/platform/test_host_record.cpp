// The host's record as the module keeps it and the scheduler reads it.
#include <gtest/gtest.h>

#include <cstring>

#include "common/HostRecord.h"
#include "wakeup/platform/HostLookup.h"

TEST(HostRecord, TheModuleCountsWhatTheHostReports) {
    struct Row {
        int32_t recordings, paused, code;
        int32_t recordingsAfter, pausedAfter;
    };
    // The edges: starts, stops, pause and resume run through the week.
    const Row rows[] = {
        {0, 0, 26, 0, 0}, // a stop with none counted
        {0, 0, 27, 1, 0}, // in progress: one at least
        {3, 0, 27, 3, 0}, // with more running
        {1, 1, 34, 1, 1}, // another event
    };
    for (const Row& row : rows) {
        int32_t recordings = row.recordings, paused = row.paused;
        CountHostEvent(row.code, recordings, paused);
        EXPECT_EQ(recordings, row.recordingsAfter) << &row - rows;
        EXPECT_EQ(paused, row.pausedAfter) << &row - rows;
    }
}

TEST(HostRecord, TheSchedulerTakesOnlyARecordAndNoCountBeyondReason) {
    const WakeupHostRecord good{WAKEUP_HOST_RECORD_MARK, sizeof(WakeupHostRecord), 7, 2, 1};
    struct Row {
        const char* name;
        WakeupHostRecord record;
        size_t size;
        bool read;
        int recordings;
    };
    const Row rows[] = {
        {"a record", good, sizeof good, true, 2},
        {"cut short", good, sizeof good - 1, false, 0},
        {"another mark", {1, sizeof good, 7, 2, 1}, sizeof good, false, 0},
        {"an older, smaller layout", {WAKEUP_HOST_RECORD_MARK, 8, 7, 2, 1}, sizeof good, false, 0},
        {"no process", {WAKEUP_HOST_RECORD_MARK, sizeof good, 0, 2, 1}, sizeof good, false, 0},
        {"a negative count",
         {WAKEUP_HOST_RECORD_MARK, sizeof good, 7, -5, 1},
         sizeof good,
         true,
         0},
        {"a count beyond reason",
         {WAKEUP_HOST_RECORD_MARK, sizeof good, 7, 1 << 30, 1},
         sizeof good,
         true,
         16},
    };
    for (const Row& row : rows) {
        unsigned char bytes[sizeof(WakeupHostRecord)];
        std::memcpy(bytes, &row.record, sizeof bytes);
        HostSeen seen;
        EXPECT_EQ(ReadHostRecord(bytes, row.size, seen), row.read) << row.name;
        EXPECT_EQ(seen.recordings, row.recordings) << row.name;
        EXPECT_EQ(seen.process, row.read ? 7u : 0u) << row.name;
        EXPECT_EQ(seen.paused, row.read) << row.name;
    }
}
