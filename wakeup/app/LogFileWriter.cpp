#include "wakeup/app/LogFileWriter.h"

#include <chrono>
#include <iterator>

#include "wakeup/platform/NumberText.h"

namespace {
// How long a file that failed is left alone: a full disk or a locked file
// is not tried again at every line.
const CDateTimeSpan kRetryAfter(0, 0, 1, 0);
// How long the lines of a burst gather before they are written: a scan's
// lines and the news of the arming it started, which come in runs of the
// loop a few milliseconds apart, cost one write.
constexpr auto kGather = std::chrono::milliseconds(30);
} // namespace

std::string FormatLogFileStamp(const CDateTime& when) {
    const CDateTime::Parts t = when.GetParts();
    return ZeroPadded(t.year, 4) + "-" + ZeroPadded(t.month, 2) + "-" + ZeroPadded(t.day, 2) + " " +
           ZeroPadded(t.hour, 2) + ":" + ZeroPadded(t.minute, 2) + ":" + ZeroPadded(t.second, 2);
}

CLogFileWriter::CLogFileWriter(ILogFile& file, Notice notice)
    : m_file(file), m_notice(std::move(notice)), m_thread([this] { Run(); }) {}

CLogFileWriter::~CLogFileWriter() {
    Stop();
    m_thread.join();
}

void CLogFileWriter::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bStopping = true;
    }
    m_changed.notify_all();
}

void CLogFileWriter::Write(const CDateTime& when, const std::string& message) {
    Write(std::vector<LogLine>{{when, message}});
}

void CLogFileWriter::Write(std::vector<LogLine> lines) {
    if (lines.empty())
        return;
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        // The thread waits only for an empty queue to fill: lines behind
        // others are taken with them, without waking it again.
        wake = m_queue.empty();
        m_nQueued += lines.size();
        if (wake)
            m_queue.swap(lines);
        else
            m_queue.insert(m_queue.end(), std::make_move_iterator(lines.begin()),
                           std::make_move_iterator(lines.end()));
    }
    if (wake)
        m_changed.notify_all();
}

bool CLogFileWriter::Flush(uint32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(m_lock);
    const uint64_t queued = m_nQueued;
    // The thread writes at once, without letting the lines gather.
    ++m_nFlushing;
    m_changed.notify_all();
    const bool done = m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                         [&] { return m_nDone >= queued; });
    --m_nFlushing;
    return done;
}

void CLogFileWriter::Run() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return m_bStopping || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping, and all is written
        m_changed.wait_for(lock, kGather, [this] { return m_bStopping || m_nFlushing > 0; });
        std::vector<LogLine> batch;
        batch.swap(m_queue);
        lock.unlock();
        WriteBatch(batch);
        lock.lock();
        m_nDone += batch.size();
        m_changed.notify_all();
    }
}

void CLogFileWriter::WriteBatch(const std::vector<LogLine>& batch) {
    const CDateTime& first = batch.front().when;
    if (m_bFailing && first < m_failedAt + kRetryAfter)
        return;
    std::string text;
    for (const LogLine& line : batch)
        text += FormatLogFileStamp(line.when) + " " + line.message + "\r\n";
    uint64_t size = 0;
    const uint32_t error = m_file.Append(text, size);
    if (error != 0) {
        if (!m_bFailing)
            m_notice(first, "Log file unavailable: error " + std::to_string(error));
        m_bFailing = true;
        m_failedAt = first;
        return;
    }
    m_bFailing = false;
    // A rotation that fails leaves the file growing; the next write tries
    // again, and the file stays whole either way.
    if (size >= kMaxBytes)
        m_file.Rotate();
}
