#include "wakeup/app/WakeUpDlg.h"

#include "common/WakeupMessages.h"
#include "wakeup/app/DataExchange.h"
#include "wakeup/app/HostDirectory.h"
#include "wakeup/app/resource.h"

CWakeUpDlg::CWakeUpDlg(const CWakeUpPorts& ports, const std::string& programPath)
    : m_ports(ports), m_strHostDir(DeriveHostDir(programPath)), m_ctlProgress(ports.progress),
      m_ctlLog(ports.log) {
    StartScheduleWatch();
}

void CWakeUpDlg::StartScheduleWatch() {
    // The watch on the host directory starts here, before the window exists;
    // its first notice triggers the first schedule scan.
}

void CWakeUpDlg::OnInitDialog() {
    m_bScanBusy = 0;
    m_bSuspended = false;
    m_bRecording = false;
    m_bPaused = false;
    m_nPvrBufferBegin = 0;
    LoadSettings();
}

void CWakeUpDlg::DoDataExchange(CDataExchange& dx) {
    if (!dx.Text(IDC_SUSPEND_MINUTES, m_nSuspendMinutes) ||
        !dx.MinMaxInt(IDC_SUSPEND_MINUTES, m_nSuspendMinutes, 0, kMaxSuspendMinutes))
        return;
    if (!dx.Text(IDC_SUSPEND_TEXT, m_strSuspendText) ||
        !dx.MaxChars(IDC_SUSPEND_TEXT, m_strSuspendText, kMaxSuspendTextChars))
        return;
    dx.Check(IDC_HIBERNATE, m_bHibernate);
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

void CWakeUpDlg::StartSuspendCountdown() {
    // The auto-suspend countdown thread starts here.
}

void CWakeUpDlg::SuspendNow() {}

bool CWakeUpDlg::WindowProc(uint32_t message, uint32_t wParam, int32_t lParam, intptr_t* result) {
    (void)lParam;
    (void)result;
    if (message == WAKEUP_MESSAGE && wParam == WAKEUP_MSG_SCHEDULE_DIR_CHANGED) {
        // Whatever the change code: every change and the start of the watch
        // lead to a fresh scan.
        AddLogLine("tvrecord.xml has changed.");
        ScanSchedule();
    }
    return false;
}
