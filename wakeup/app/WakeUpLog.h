#pragma once
// The scheduler's log: every line it writes, stamped with the local time, in
// the dialog's list, which keeps the newest lines with the last one selected,
// and in the log file, which keeps them across restarts.
#include <string>

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
    // Waits, at most timeoutMs, until the lines so far are in the file.
    bool FlushFile(uint32_t timeoutMs) { return m_file.Flush(timeoutMs); }

private:
    void AddToList(const CDateTime& when, const std::string& message);

    const IClock& m_clock;
    const IDateText& m_dateText;
    ILogList& m_list;
    CLogFileWriter m_file;
};
