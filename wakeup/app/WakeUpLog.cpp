#include "wakeup/app/WakeUpLog.h"

void CWakeUpLog::Add(const std::string& message) {
    const CDateTime now = m_clock.Now();
    AddToList(now, message);
    m_file.Write(now, message);
}

void CWakeUpLog::AddToList(const CDateTime& when, const std::string& message) {
    m_list.AddString(m_dateText.Format(when) + " " + message);
    int last = m_list.GetCount() - 1;
    if (last > kMaxIndex) {
        m_list.DeleteString(0);
        --last;
    }
    m_list.ShowAndSelect(last);
}
