#pragma once
// The scheduler's log: every line it writes, stamped with the local time, in
// the dialog's list, which keeps the newest lines with the last one selected,
// and in the log file, which keeps them across restarts.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "wakeup/app/LogFileWriter.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DialogControls.h"

class CWakeUpLog {
public:
    // The list keeps the newest kMaxIndex + 1 lines.
    static constexpr int kMaxIndex = 50;

    CWakeUpLog(const IClock& clock, const IDateText& dateText, ILogList& list, ILogFile& file)
        : m_clock(clock), m_dateText(dateText), m_list(list),
          m_file(file, [this](const CDateTime& when, const std::string& line) {
              // Only the list learns that the file is gone: the line is
              // about the file.
              AddToList(when, line);
          }) {}
    CWakeUpLog(const CWakeUpLog&) = delete;
    CWakeUpLog& operator=(const CWakeUpLog&) = delete;

    // May be called from any thread.
    void Add(const std::string& message);

    // On the dialog's thread, around a burst of lines (a run of the loop):
    // the list takes the lines of every thread from the start to the end of
    // the batch in one go at its end, in their order, and another thread
    // adding a line meanwhile does not wait for the list. The file takes them
    // at the end too, in one go. Each line keeps the time it was added at.
    class Batch {
    public:
        explicit Batch(CWakeUpLog& log);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        CWakeUpLog& m_log;
    };
    // Waits, at most timeoutMs, until the lines so far are in the file,
    // those that a batch holds among them.
    bool FlushFile(uint32_t timeoutMs);

private:
    // Hands the lines a batch holds to the list and the file; ends the batch
    // once none are left when end is set.
    void DeliverBatch(bool end);
    void AddToList(const CDateTime& when, const std::string& message);
    void AddBatchToList(const std::vector<LogLine>& lines);
    // The list's stamp: the date text is made once per second.
    std::string Stamp(const CDateTime& when);
    void Trim();

    const IClock& m_clock;
    const IDateText& m_dateText;
    ILogList& m_list;
    std::mutex m_batchLock;
    bool m_bBatch = false;
    std::vector<LogLine> m_batch;
    std::mutex m_stampLock;
    int64_t m_stampSecond = -1;
    std::string m_stamp;
    CLogFileWriter m_file; // last: its thread may call AddToList
};
