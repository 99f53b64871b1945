#include "wakeup/app/WakeUpLog.h"

void CWakeUpLog::Add(const std::string& message) {
    const std::string line = m_dateText.Format(m_clock.Now()) + " " + message;
    m_list.AddString(line);
    int last = m_list.GetCount() - 1;
    if (last > kMaxIndex) {
        m_list.DeleteString(0);
        --last;
    }
    m_list.ShowAndSelect(last);
}
