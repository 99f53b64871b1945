#pragma once
// One scan of the host's schedule file: read, decode, parse, the next start
// of every entry with its log line, the earliest kept, the lead time taken
// off. What to do with the result (arming the wake timer) is the caller's.
#include <string>
#include <vector>

#include "wakeup/platform/CodePage.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/FileReader.h"

struct ScheduleScanResult {
    // False when the file could not be read (missing, locked, too large):
    // nothing else is set then.
    bool read = false;
    // One line for each entry with a readable start, in file order.
    std::vector<std::string> logLines;
    // The earliest next start of all entries, less the lead time; false
    // when no entry has one.
    bool found = false;
    CDateTime wakeTarget;
    // That entry's start itself, the lead time not taken off, and how many
    // entries start then (a host with two tuners records them at once).
    CDateTime recordingStart;
    int startsThen = 0;
    // The channel of that entry (the first in the file, where several start
    // then), as Windows' tools show the wake's reason.
    std::string channel;
    // Each entry's start within the last kStartedLatelyMinutes (up to now):
    // a host reports a recording minutes after its start.
    std::vector<CDateTime> startedLately;
};

constexpr int kStartedLatelyMinutes = 15;

// hostDir: the directory that holds tvrecord.xml. leadMinutes: the host's
// buffer before a recording, taken off the earliest start.
ScheduleScanResult ScanScheduleFile(IFileReader& files, const ICodePage& codePage,
                                    const IDateText& dateText, const std::string& hostDir,
                                    const CDateTime& now, int leadMinutes);
