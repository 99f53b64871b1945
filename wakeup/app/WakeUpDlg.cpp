#include "wakeup/app/WakeUpDlg.h"

#include "common/WakeupMessages.h"
#include "wakeup/app/DataExchange.h"
#include "wakeup/app/HostDirectory.h"
#include "wakeup/app/resource.h"
#include "wakeup/power/WakeTimerSetting.h"

CWakeUpDlg::CWakeUpDlg(const CWakeUpPorts& ports, const std::string& programPath)
    : m_ports(ports), m_wakeTimer(ports.timers, ports.clock, ports.dateText, ports.localTime),
      m_ticker(ports.timers, ports.wait), m_strHostDir(DeriveHostDir(programPath)),
      m_ctlProgress(ports.progress), m_ctlLog(ports.log), m_watcher(ports.watcher),
      m_changeHandler(ports.messenger) {
    StartScheduleWatch();
}

void CWakeUpDlg::StartScheduleWatch() {
    // Started before the window exists; its start notice is delivered once
    // the dialog runs and makes the first scan. File-name changes count too:
    // a schedule saved by writing another file and renaming it over this
    // one, or deleted and written anew, changes no write time of the name.
    const uint32_t error =
        m_watcher.WatchDirectory(m_strHostDir, WATCH_CHANGE_LAST_WRITE | WATCH_CHANGE_FILE_NAME,
                                 &m_changeHandler, false, "tvrecord.xml", "");
    if (error != 0)
        m_ports.controls.ShowMessage("Failed to start watch:\n");
}

void CWakeUpDlg::OnInitDialog() {
    m_bScanBusy = 0;
    m_bSuspended = false;
    m_bRecording = false;
    m_bPaused = false;
    m_nPvrBufferBegin = 0;
    LoadSettings();

    // A scheduler run as administrator has a higher integrity level than
    // the host, whose messages the system would then drop without a word.
    if (const uint32_t error = m_ports.messenger.AllowFromLowerIntegrity(WAKEUP_MESSAGE))
        AddLogLine("Unable to let the host's messages through: error " + std::to_string(error));
    SleepCapabilities capabilities;
    if (m_ports.power.ReadSleepCapabilities(capabilities)) {
        const std::string warning = SleepCapabilityWarning(capabilities);
        if (!warning.empty())
            AddLogLine(warning);
    }
    if (!m_ports.session.AtConsole())
        OnSessionChange(WTS_EVENT_CONSOLE_DISCONNECT);
}

bool CWakeUpDlg::StopThreads() {
    m_bStopping = true;
    return m_ports.threads.StopAll(kStopTimeoutMs);
}

void CWakeUpDlg::DoDataExchange(CDataExchange& dx) {
    // Through copies: the countdown thread reads these members, and each
    // gets its new value in one store.
    int minutes = m_nSuspendMinutes;
    const bool minutesRead = dx.Text(IDC_SUSPEND_MINUTES, minutes);
    m_nSuspendMinutes = minutes;
    if (!minutesRead || !dx.MinMaxInt(IDC_SUSPEND_MINUTES, minutes, 0, kMaxSuspendMinutes))
        return;
    std::string text = m_strSuspendText;
    const bool textRead = dx.Text(IDC_SUSPEND_TEXT, text);
    if (dx.IsSaving()) {
        std::lock_guard<std::mutex> lock(m_textLock);
        m_strSuspendText = text;
    }
    if (!textRead || !dx.MaxChars(IDC_SUSPEND_TEXT, text, kMaxSuspendTextChars))
        return;
    int hibernate = m_bHibernate;
    dx.Check(IDC_HIBERNATE, hibernate);
    m_bHibernate = hibernate;
}

std::string CWakeUpDlg::SuspendText() {
    std::lock_guard<std::mutex> lock(m_textLock);
    return m_strSuspendText;
}

bool CWakeUpDlg::UpdateData(bool saveAndValidate) {
    // The exchange shows message boxes, which take the focus from the edit
    // being checked; the focus-lost handler must not start a second exchange
    // (and a second message box) from inside the first. Putting values into
    // the controls must not run the change handlers either.
    const bool wasExchanging = m_bExchanging;
    m_bExchanging = true;
    CDataExchange dx(m_ports.controls, saveAndValidate);
    DoDataExchange(dx);
    m_bExchanging = wasExchanging;
    return !dx.Failed();
}

bool CWakeUpDlg::OnOK() {
    return UpdateData(true);
}

void CWakeUpDlg::AddLogLine(const std::string& message) {
    const std::string line = m_ports.dateText.Format(m_ports.clock.Now()) + " " + message;
    m_ctlLog.AddString(line);
    int last = m_ctlLog.GetCount() - 1;
    if (last > kMaxLogIndex) {
        m_ctlLog.DeleteString(0);
        --last;
    }
    m_ctlLog.ShowAndSelect(last);
}
