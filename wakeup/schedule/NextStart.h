#pragma once
// When a schedule entry next starts. Entries repeat "once", "weekly" or
// "daily" (exact, case-sensitive); a repeating entry carries only its first
// start, and its next occurrence is derived from the current date. All
// arithmetic is plain calendar arithmetic on local wall-clock time.
#include <string>

#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DateTime.h"

// Marks that no entry has yielded a start yet: 1 January 2100.
extern const CDateTime NEXT_START_NONE;

struct ScheduleEntryResult {
    bool hasCandidate = false;
    CDateTime candidate;
    // The line to log for the entry; empty for an unknown repetition.
    std::string logLine;
};

// The entry's next start after now; false for an unknown repetition, or a
// one-time start that is not after now (next is set to it all the same).
bool NextScheduleStart(const CDateTime& start, const std::string& freq, const CDateTime& now,
                       CDateTime& next);

ScheduleEntryResult EvaluateScheduleEntry(const CDateTime& start, const std::string& freq,
                                          const std::string& channel, const CDateTime& now,
                                          const IDateText& dateText);
