#include "wakeup/app/WakeUpLog.h"

#include <cmath>

void CWakeUpLog::Add(const std::string& message) {
    const CDateTime now = m_clock.Now();
    bool held = false;
    {
        std::lock_guard<std::mutex> lock(m_batchLock);
        held = m_bBatch;
        if (held)
            m_batch.push_back({now, message});
    }
    if (!held) {
        AddToList(now, message);
        m_file.Write(now, message);
    }
}

CWakeUpLog::Batch::Batch(CWakeUpLog& log) : m_log(log) {
    std::lock_guard<std::mutex> lock(m_log.m_batchLock);
    m_log.m_bBatch = true;
}

CWakeUpLog::Batch::~Batch() {
    m_log.DeliverBatch(true);
}

void CWakeUpLog::DeliverBatch(bool end) {
    // Lines that other threads add while the list takes a part are taken
    // in the next round, until a round finds none.
    for (;;) {
        std::vector<LogLine> lines;
        {
            std::lock_guard<std::mutex> lock(m_batchLock);
            if (m_batch.empty()) {
                if (end)
                    m_bBatch = false;
                return;
            }
            lines.swap(m_batch);
        }
        AddBatchToList(lines);
        m_file.Write(std::move(lines));
    }
}

bool CWakeUpLog::FlushFile(uint32_t timeoutMs) {
    DeliverBatch(false);
    return m_file.Flush(timeoutMs);
}

std::string CWakeUpLog::Stamp(const CDateTime& when) {
    // Whole seconds as the date's own fields round them (dates after 1899).
    const int64_t second = std::llround(when.GetVariantDate() * 86400.0);
    std::lock_guard<std::mutex> lock(m_stampLock);
    if (second != m_stampSecond) {
        m_stamp = m_dateText.Format(when);
        m_stampSecond = second;
    }
    return m_stamp;
}

void CWakeUpLog::AddToList(const CDateTime& when, const std::string& message) {
    m_list.AddString(Stamp(when) + " " + message);
    Trim();
}

void CWakeUpLog::AddBatchToList(const std::vector<LogLine>& lines) {
    // Lines the list would drop again at once are left out: it ends as if
    // each had been added.
    const size_t keep = static_cast<size_t>(kMaxIndex) + 1;
    const size_t first = lines.size() > keep ? lines.size() - keep : 0;
    for (size_t i = first; i < lines.size(); ++i)
        m_list.AddString(Stamp(lines[i].when) + " " + lines[i].message);
    Trim();
}

void CWakeUpLog::Trim() {
    int last = m_list.GetCount() - 1;
    while (last > kMaxIndex) {
        m_list.DeleteString(0);
        --last;
    }
    m_list.ShowAndSelect(last);
}
