// The schedule scan and the wake timer of CWakeUpDlg: every request scans
// the schedule on the dialog's thread, and a new future target goes to a
// wake-timer thread, which arms the timer and waits for it.
#include "wakeup/app/WakeUpDlg.h"
#include "wakeup/app/resource.h"
#include "wakeup/power/WakeTimerSetting.h"
#include "wakeup/schedule/NextStart.h"
#include "wakeup/schedule/ScheduleScan.h"

unsigned WakeTimerThreadProc(void* dialog) {
    static_cast<CWakeUpDlg*>(dialog)->ArmWakeTimer();
    return 0;
}

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

    const ScheduleScanResult scan =
        ScanScheduleFile(m_ports.files, m_ports.codePage, m_ports.dateText, m_strHostDir,
                         m_ports.clock.Now(), m_nPvrBufferBegin);
    if (!scan.read) {
        ReleaseScan();
        return;
    }
    for (const std::string& line : scan.logLines)
        AddLogLine(line);
    if (!scan.found) {
        m_nextStart = NEXT_START_NONE;
        AddLogLine("No new schedule found");
        ReleaseScan();
        return;
    }
    m_nextStart = scan.wakeTarget;
    if (m_nextStart > m_ports.clock.Now() && m_nextStart != m_armedStart) {
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

void CWakeUpDlg::ArmWakeTimer() {
    // Once the program ends, the wait ends without a line: the log is gone.
    const auto log = [this](const std::string& line) {
        if (!m_bStopping)
            AddLogLine(line);
    };
    const CWakeTimer::Arming arming = m_wakeTimer.Arm(m_nextStart, log);
    if (!arming.set) {
        // Nothing is armed: let the next scan try again.
        m_armedStart = CDateTime();
        ReleaseScan();
        return;
    }
    // The most common reason why a machine armed right does not wake.
    uint32_t onMains = 0, onBattery = 0;
    if (m_ports.power.ReadWakeTimerSetting(onMains, onBattery)) {
        const std::string warning = WakeTimerSettingWarning(onMains, onBattery);
        if (!warning.empty())
            AddLogLine(warning);
    }
    ReleaseScan();

    m_wakeTimer.Wait(arming, log);
    if (!m_bStopping)
        m_ports.controls.SetItemText(IDC_HIDDEN_EDIT, "");
}
