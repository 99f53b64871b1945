// The auto-suspend countdown: a worker thread that counts the idle minutes
// down on the progress bar, warns through the host's command tool in the
// last minutes and asks the system to sleep when the count runs out.
#include "wakeup/app/WakeUpDlg.h"
#include "wakeup/power/HostCommand.h"
#include "wakeup/power/Privilege.h"

unsigned SuspendCountdownThreadProc(void* dialog) {
    static_cast<CWakeUpDlg*>(dialog)->RunSuspendCountdown();
    return 0;
}

void CWakeUpDlg::StartSuspendCountdown() {
    m_ports.threads.Start(SuspendCountdownThreadProc, this);
}

void CWakeUpDlg::RunSuspendCountdown() {
    while (!m_bStopping)
        RunSuspendCountdownCycle();
}

void CWakeUpDlg::RunSuspendCountdownCycle() {
    uint32_t timerError = 0;
    m_ticker.WaitOneMinute(timerError);
    if (m_bStopping)
        return;
    if (timerError && !m_bTickerFailing)
        AddLogLine("Unable to create timer: " + std::to_string(timerError));
    m_bTickerFailing = timerError != 0;

    // While a recording runs or playback is paused the count stands still,
    // and so it does while another user's session has the console. A length
    // of 0 leaves the bar an empty range, where every step would read as
    // expired and send the machine to sleep each minute: 0 means no
    // auto-suspend.
    if (m_bRecording || m_bPaused || m_bAwayFromConsole || m_nSuspendMinutes <= 0)
        return;
    m_ctlProgress.StepIt();
    // Read anew for each test: the dialog's thread may put the count back
    // to full at any moment.
    const int left = m_ctlProgress.GetPos();
    if (IsWarningPosition(left))
        RunHostCommand(HostCommandLine(m_strHostDir, SuspendWarningArguments(SuspendText(), left)));
    if (m_ctlProgress.GetPos() != 0)
        return;
    AddLogLine("Force suspend because timeout has expired");
    SetCountdownFull();
    if (ReadyToSleep())
        SuspendNow();
}

bool CWakeUpDlg::ReadyToSleep() {
    // Systems since Vista do not ask the dialog before they sleep, so the
    // suspend query's rule is applied here as well. The scan runs on the
    // dialog's thread; the send returns once it has run, then the arming
    // thread it may have started sets the timer. The dialog's thread
    // handles the host's events meanwhile: the state after the wait decides.
    const unsigned resets = m_nCountdownResets;
    const bool asked = m_ports.messenger.SendToDialog(kRescanMessage, 0, 0);
    const bool armed =
        asked &&
        m_ports.wait.WaitUntil([this] { return m_bStopping || (!m_bScanBusy && !m_bScanPending); },
                               kArmingTimeoutMs);
    if (m_bStopping)
        return false;
    const SleepDecision decision =
        DecideSleep(SleepAsker::countdown, CurrentSleepState(resets, armed));
    if (decision.logLine)
        AddLogLine(decision.logLine);
    return decision.sleep;
}

// Suspend, or hibernate when chosen, without force: the system may still
// ask the applications first.
void CWakeUpDlg::SuspendNow() {
    SetTokenPrivilege("SeShutdownPrivilege", 1);
    // A PC that cannot enter the state (modern standby, S3 turned off in the
    // firmware) would otherwise fail silently every time the count runs out.
    if (const uint32_t error = m_ports.power.SetSystemPowerState(!m_bHibernate, false))
        AddLogLine("Suspend failed: error " + std::to_string(error));
}

int CWakeUpDlg::SetTokenPrivilege(const char* privilege, int enable) {
    return SetProcessPrivilege(m_ports.power, privilege, enable != 0) ? 1 : 0;
}
