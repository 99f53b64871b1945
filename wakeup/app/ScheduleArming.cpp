#include "wakeup/app/ScheduleArming.h"

#include "wakeup/app/resource.h"
#include "wakeup/power/WakeTimerSetting.h"
#include "wakeup/schedule/NextStart.h"
#include "wakeup/schedule/ScheduleScan.h"

namespace {
const std::atomic<bool> kNeverStopped{false};

unsigned ArmOwnWakeTimer(void* arming) {
    static_cast<CScheduleArming*>(arming)->ArmWakeTimer(kNeverStopped);
    return 0;
}
} // namespace

std::string NextWakeText(const std::string& targetText) {
    return targetText.empty() ? "No recording scheduled" : "Next wake: " + targetText;
}

CScheduleArming::CScheduleArming(const Ports& ports, CWakeUpLog& log, const std::string& hostDir,
                                 const int& leadMinutes)
    : m_ports(ports), m_log(log), m_hostDir(hostDir), m_leadMinutes(leadMinutes),
      m_wakeTimer(ports.timers, ports.clock, ports.dateText, ports.localTime),
      m_threadProc(ArmOwnWakeTimer), m_threadParam(this) {}

void CScheduleArming::UseThreadEntry(IThreadStarter::ThreadProc proc, void* param) {
    m_threadProc = proc;
    m_threadParam = param;
}

void CScheduleArming::Scan() {
    // A request while another scan or its arming is under way is not lost:
    // the holder of the flag sees it when it lets go (ReleaseScan), so a
    // schedule written while a timer was being armed is armed too. The
    // request is marked before the flag is tried, so that a holder letting
    // go meanwhile cannot miss it.
    m_scanPending = true;
    bool idle = false;
    if (!m_scanBusy.compare_exchange_strong(idle, true))
        return;
    m_scanPending = false;

    const ScheduleScanResult scan =
        ScanScheduleFile(m_ports.files, m_ports.codePage, m_ports.dateText, m_hostDir,
                         m_ports.clock.Now(), m_leadMinutes);
    if (!scan.read) {
        ReleaseScan();
        return;
    }
    for (const std::string& line : scan.logLines)
        m_log.Add(line);
    if (!scan.found) {
        m_nextStart = NEXT_START_NONE;
        m_log.Add("No new schedule found");
        m_ports.controls.ShowNextWake(NextWakeText(""));
        ReleaseScan();
        return;
    }
    m_nextStart = scan.wakeTarget;
    if (m_nextStart > m_ports.clock.Now() && m_nextStart != m_armedStart) {
        m_armedStart = m_nextStart;
        // The flag stays set until the new thread has set its timer, so that
        // m_nextStart stays as it is while the thread reads it.
        if (m_ports.threads.Start(m_threadProc, m_threadParam))
            return;
        m_armedStart = CDateTime();
    }
    ReleaseScan();
}

void CScheduleArming::ReleaseScan() {
    m_scanBusy = false;
    // The dialog's thread scans; this may be the wake-timer thread.
    if (m_scanPending)
        m_ports.messenger.PostToDialog(kRescanMessage, 0, 0);
}

bool CScheduleArming::WaitForArming() {
    // The wait goes on handling what other threads send to the dialog, so
    // the arming thread's log lines pass. A request kept meanwhile is served
    // here: its posted notice would only come after the wait.
    return m_ports.wait.WaitUntil(
        [this] {
            if (!m_scanBusy && m_scanPending)
                Scan();
            return !m_scanBusy && !m_scanPending;
        },
        kArmingTimeoutMs);
}

bool CScheduleArming::ScanAndWaitFromWorker(const std::atomic<bool>& stop) {
    // The scan runs on the dialog's thread; the send returns once it has
    // run, then the arming thread it may have started sets the timer.
    if (!m_ports.messenger.SendToDialog(kRescanMessage, 0, 0))
        return false;
    return m_ports.wait.WaitUntil([&] { return stop || (!m_scanBusy && !m_scanPending); },
                                  kArmingTimeoutMs) &&
           !stop;
}

void CScheduleArming::ArmWakeTimer(const std::atomic<bool>& stop) {
    const auto log = [&](const std::string& line) {
        if (!stop)
            m_log.Add(line);
    };
    const CWakeTimer::Arming arming = m_wakeTimer.Arm(m_nextStart, log);
    if (!arming.set) {
        // Nothing is armed: let the next scan try again.
        m_armedStart = CDateTime();
        if (!stop)
            m_ports.controls.ShowNextWake(NextWakeText(""));
        ReleaseScan();
        return;
    }
    if (!stop)
        m_ports.controls.ShowNextWake(NextWakeText(arming.targetText));
    // The most common reason why a machine armed right does not wake.
    uint32_t onMains = 0, onBattery = 0;
    if (m_ports.power.ReadWakeTimerSetting(onMains, onBattery)) {
        const std::string warning = WakeTimerSettingWarning(onMains, onBattery);
        if (!warning.empty())
            log(warning);
    }
    ReleaseScan();

    const bool stillNewest = m_wakeTimer.Wait(arming, log);
    if (stop)
        return;
    m_ports.controls.SetItemText(IDC_HIDDEN_EDIT, "");
    // Fired, or let go: nothing is armed until the next scan arms again.
    if (stillNewest)
        m_ports.controls.ShowNextWake(NextWakeText(""));
}
