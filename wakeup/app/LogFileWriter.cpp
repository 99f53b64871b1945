#include "wakeup/app/LogFileWriter.h"

#include <cstdio>

namespace {
// How long a file that failed is left alone: a full disk or a locked file
// is not tried again at every line.
const CDateTimeSpan kRetryAfter(0, 0, 1, 0);
} // namespace

std::string FormatLogFileStamp(const CDateTime& when) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.GetYear(),
                  when.GetMonth(), when.GetDay(), when.GetHour(), when.GetMinute(),
                  when.GetSecond());
    return text;
}

std::string CLogFileWriter::Write(const CDateTime& when, const std::string& message) {
    std::lock_guard<std::mutex> lock(m_fileLock);
    if (m_bFailing && when < m_failedAt + kRetryAfter)
        return std::string();
    uint64_t size = 0;
    const uint32_t error = m_file.Append(FormatLogFileStamp(when) + " " + message + "\r\n", size);
    if (error != 0) {
        const bool first = !m_bFailing;
        m_bFailing = true;
        m_failedAt = when;
        return first ? "Log file unavailable: error " + std::to_string(error) : std::string();
    }
    m_bFailing = false;
    // A rotation that fails leaves the file growing; the next line tries
    // again, and the file stays whole either way.
    if (size >= kMaxBytes)
        m_file.Rotate();
    return std::string();
}
