#pragma once
// The log's lines in a file that outlasts a restart: each line with its full
// date and time, the file kept below a size by handing it over to one older
// copy. One writer thread of its own writes what has queued up since its
// last write in one go, so that no caller waits for the disk and a burst of
// lines costs one write. A file that cannot be written costs one line in the
// list and nothing else; lines queued within a minute after that are
// dropped, and the next one after the minute tries again. The lines of a
// burst gather for a few milliseconds first, unless a flush waits.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/LogFile.h"

// A line of the log, with the local time it was said.
struct LogLine {
    CDateTime when;
    std::string message;
};

class CLogFileWriter {
public:
    static constexpr uint64_t kMaxBytes = 1024 * 1024;
    // What the writer has to say about the file ("Log file unavailable:
    // error N"), with the time of the line that failed; from its thread.
    using Notice = std::function<void(const CDateTime& when, const std::string& line)>;

    CLogFileWriter(ILogFile& file, Notice notice);
    // Stop, then waits for the thread.
    ~CLogFileWriter();
    // From now on the thread writes what is queued, then ends.
    void Stop();
    CLogFileWriter(const CLogFileWriter&) = delete;
    CLogFileWriter& operator=(const CLogFileWriter&) = delete;

    // Queues the line stamped with when. Any thread.
    void Write(const CDateTime& when, const std::string& message);
    // Queues the lines in their order, waking the thread once.
    void Write(std::vector<LogLine> lines);
    // Waits until every line queued so far is written (or dropped); false
    // when that takes longer than timeoutMs.
    bool Flush(uint32_t timeoutMs);

private:
    void Run();
    void WriteBatch(const std::vector<LogLine>& batch);

    ILogFile& m_file;
    Notice m_notice;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<LogLine> m_queue;
    uint64_t m_nQueued = 0, m_nDone = 0;
    bool m_bStopping = false;
    // Callers waiting in Flush.
    int m_nFlushing = 0;
    // The writer thread's own.
    bool m_bFailing = false;
    CDateTime m_failedAt;
    std::thread m_thread; // last: it starts once the rest stands
};

// "2026-12-08 22:58:28": the same in every locale, and sortable.
std::string FormatLogFileStamp(const CDateTime& when);
