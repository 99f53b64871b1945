#pragma once
// The log's lines in a file that outlasts a restart: each line with its full
// date and time, written whole before the next, the file kept below a size
// by handing it over to one older copy. A file that cannot be written costs
// one line in the list and nothing else; the next line after a minute tries
// again.
#include <cstdint>
#include <mutex>
#include <string>

#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/LogFile.h"

class CLogFileWriter {
public:
    static constexpr uint64_t kMaxBytes = 1024 * 1024;

    explicit CLogFileWriter(ILogFile& file) : m_file(file) {}
    CLogFileWriter(const CLogFileWriter&) = delete;
    CLogFileWriter& operator=(const CLogFileWriter&) = delete;

    // Writes the line stamped with when. Returns the line for the list
    // when the file has just become unavailable ("Log file unavailable:
    // error N"), else an empty string. Any thread.
    std::string Write(const CDateTime& when, const std::string& message);

private:
    ILogFile& m_file;
    std::mutex m_fileLock; // one line after the other, rotation included
    bool m_bFailing = false;
    CDateTime m_failedAt;
};

// "2026-12-08 22:58:28": the same in every locale, and sortable.
std::string FormatLogFileStamp(const CDateTime& when);
