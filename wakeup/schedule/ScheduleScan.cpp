// The schedule scan of CWakeUpDlg: reads tvrecord.xml from the host
// directory, works out the next recording start of every entry, keeps the
// earliest, takes the lead time off and hands a new future target to the
// wake-timer thread.
#include "wakeup/app/WakeUpDlg.h"
#include "wakeup/schedule/NextStart.h"
#include "wakeup/schedule/ScheduleText.h"
#include "wakeup/schedule/StartAttribute.h"
#include "wakeup/xml/XmlDocument.h"

namespace {
// The host's schedules are small; anything larger is not a schedule and is
// not read into memory whole.
constexpr size_t kMaxScheduleBytes = 16u * 1024u * 1024u;
} // namespace

void CWakeUpDlg::ScanSchedule() {
    // A request while another scan or its arming is under way is not lost:
    // the holder of the flag sees it when it lets go (ReleaseScan), so a
    // schedule written while a timer was being armed is armed too. The
    // request is marked before the flag is tried, so that a holder letting
    // go meanwhile cannot miss it.
    m_bScanPending = true;
    int idle = 0;
    if (!m_bScanBusy.compare_exchange_strong(idle, 1))
        return;
    m_bScanPending = false;

    std::vector<char> bytes;
    if (!m_ports.files.ReadWholeFile(m_strHostDir + "\\tvrecord.xml", kMaxScheduleBytes, bytes)) {
        ReleaseScan();
        return;
    }
    const std::string text = DecodeScheduleText(bytes, m_ports.codePage);
    bytes = std::vector<char>();

    CXmlDocument document(m_ports.codePage);
    document.Parse(text.c_str());
    // With a root of another name the child search falls back to the
    // document's first element, whose entries are read all the same.
    document.FindElement("tvrecord");

    const CDateTime now = m_ports.clock.Now();
    m_nextStart = NEXT_START_NONE;
    while (document.FindChildElement("program")) {
        CDateTime start;
        // An entry without a readable start has no defined next start; it
        // is skipped rather than used with undetermined values.
        if (!ParseStartAttribute(document.GetChildAttribute("start"), start))
            continue;
        const ScheduleEntryResult entry =
            EvaluateScheduleEntry(start, document.GetChildAttribute("freq"),
                                  document.GetChildAttribute("channel"), now, m_ports.dateText);
        if (!entry.logLine.empty())
            AddLogLine(entry.logLine);
        if (entry.hasCandidate && m_nextStart > entry.candidate)
            m_nextStart = entry.candidate;
    }
    FinishScan();
}

void CWakeUpDlg::FinishScan() {
    if (m_nextStart == NEXT_START_NONE) {
        AddLogLine("No new schedule found");
        ReleaseScan();
        return;
    }
    m_nextStart = m_nextStart - CDateTimeSpan(0, 0, m_nPvrBufferBegin, 0);
    const CDateTime now = m_ports.clock.Now();
    if (m_nextStart > now && m_nextStart != m_armedStart) {
        m_armedStart = m_nextStart;
        // The flag stays set until the new thread has set its timer, so that
        // m_nextStart stays as it is while the thread reads it.
        if (m_ports.threads.Start(WakeTimerThreadProc, this))
            return;
        m_armedStart = CDateTime();
    }
    ReleaseScan();
}

void CWakeUpDlg::ReleaseScan() {
    m_bScanBusy = 0;
    // The dialog's thread scans; this may be the wake-timer thread.
    if (m_bScanPending)
        m_ports.messenger.PostToDialog(kRescanMessage, 0, 0);
}

bool CWakeUpDlg::WaitForArming() {
    // The wait goes on handling what other threads send to the dialog, so
    // the arming thread's log lines pass. A request kept meanwhile is served
    // here: its posted notice would only come after the wait.
    return m_ports.wait.WaitUntil(
        [this] {
            if (!m_bScanBusy && m_bScanPending)
                ScanSchedule();
            return !m_bScanBusy && !m_bScanPending;
        },
        kArmingTimeoutMs);
}
