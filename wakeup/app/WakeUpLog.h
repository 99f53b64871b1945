#pragma once
// The scheduler's log: every line it writes, stamped with the local time, in
// the dialog's list, which keeps the newest lines with the last one selected.
#include <string>

#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DialogControls.h"

class CWakeUpLog {
public:
    // The list keeps the newest kMaxIndex + 1 lines.
    static constexpr int kMaxIndex = 50;

    CWakeUpLog(const IClock& clock, const IDateText& dateText, ILogList& list)
        : m_clock(clock), m_dateText(dateText), m_list(list) {}
    CWakeUpLog(const CWakeUpLog&) = delete;
    CWakeUpLog& operator=(const CWakeUpLog&) = delete;

    // May be called from any thread.
    void Add(const std::string& message);

private:
    const IClock& m_clock;
    const IDateText& m_dateText;
    ILogList& m_list;
};
