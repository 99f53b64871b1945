#include "wakeup/app/ScheduleArming.h"

#include "wakeup/app/resource.h"
#include "wakeup/power/WakeTimerSetting.h"
#include "wakeup/schedule/NextStart.h"
#include "wakeup/schedule/ScheduleScan.h"

namespace {
const std::atomic<bool> kNeverStopped{false};

// Unset moments are the zero date.
bool IsSet(const CDateTime& when) {
    return when > CDateTime();
}

unsigned ArmOwnWakeTimer(void* arming) {
    static_cast<CScheduleArming*>(arming)->ArmWakeTimer(kNeverStopped);
    return 0;
}
} // namespace

CScheduleArming::CScheduleArming(const Ports& ports, CWakeUpLog& log, const std::string& hostDir,
                                 const int& leadMinutes)
    : m_ports(ports), m_status(ports.controls), m_log(log), m_hostDir(hostDir),
      m_leadMinutes(leadMinutes),
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
    // The wake-timer thread sets the timer while the list takes these lines
    // (at the end of the scan), not after them; its own lines follow them.
    CWakeUpLog::Batch batch(m_log);
    for (const std::string& line : scan.logLines)
        m_log.Add(line);
    if (!scan.found) {
        m_nextStart = NEXT_START_NONE;
        {
            std::lock_guard<std::mutex> lock(m_wakeLock);
            m_upcoming = Wake();
        }
        m_log.Add("No new schedule found");
        // An earlier arming stays in force, and the line with it.
        if (!IsSet(ArmedWake().target))
            m_status.SetNextWake("", "");
        ReleaseScan();
        return;
    }
    m_nextStart = scan.wakeTarget;
    m_nextRecording = scan.recordingStart;
    {
        std::lock_guard<std::mutex> lock(m_wakeLock);
        m_upcoming = {scan.wakeTarget, scan.recordingStart, CDateTime()};
    }
    const CDateTime now = m_ports.clock.Now();
    // Within the lead time of a recording that has not started, its wake
    // moment has passed and an awake machine arms nothing for it; one that
    // goes to sleep now must still be woken for the start itself.
    if (m_bSleepComing && !(m_nextStart > now) && m_nextRecording > now)
        m_nextStart = m_nextRecording;
    const bool firedAlready = m_nextStart == m_firedTarget && !m_bSleepComing;
    if (m_nextStart > now && !firedAlready &&
        (m_nextStart != m_armedStart || m_bClockChanged.exchange(false))) {
        SetArmed(m_nextStart, m_nextRecording);
        // The flag stays set until the new thread has set its timer, so that
        // m_nextStart stays as it is while the thread reads it.
        if (m_ports.threads.Start(m_threadProc, m_threadParam))
            return;
        SetArmed(CDateTime(), CDateTime());
    }
    ReleaseScan();
}

void CScheduleArming::RearmForNewClock() {
    m_bClockChanged = true;
    Scan();
}

void CScheduleArming::SetArmed(const CDateTime& target, const CDateTime& recordingStart) {
    std::lock_guard<std::mutex> lock(m_wakeLock);
    m_armedStart = target;
    m_armedRecording = recordingStart;
    m_armedDue = CDateTime();
}

CScheduleArming::Wake CScheduleArming::ArmedWake() const {
    std::lock_guard<std::mutex> lock(m_wakeLock);
    return {m_armedStart, m_armedRecording, m_armedDue};
}

void CScheduleArming::ReportTimerUnsupported() {
    if (m_bToldUnsupported.exchange(true))
        return;
    m_log.Add("This PC cannot be woken by a timer: the system does not support it");
    WakeAbility ability = ReadWakeAbility(m_ports.power);
    ability.timerUnsupported = true;
    for (const std::string& line : WakeChecks(ability))
        m_log.Add(line);
}

bool CScheduleArming::TakeFiredWake(CDateTime& recordingStart) {
    std::lock_guard<std::mutex> lock(m_wakeLock);
    if (!m_bFired)
        return false;
    m_bFired = false;
    // Unless a scan has armed another wake since.
    if (m_armedStart == m_fired.target) {
        m_armedStart = CDateTime();
        m_armedRecording = CDateTime();
    }
    m_rescanAfter = m_fired.recordingStart;
    m_firedTarget = m_fired.target;
    recordingStart = m_fired.recordingStart;
    return true;
}

bool CScheduleArming::NextTick(CDateTime& at) const {
    if (!IsSet(m_rescanAfter))
        return false;
    at = m_rescanAfter + CDateTimeSpan(0, 0, 0, 1);
    return true;
}

void CScheduleArming::OnClockTick() {
    // Until the fired recording has started, every scan finds it again;
    // from then on the next one is found and armed.
    if (!IsSet(m_rescanAfter) || !(m_ports.clock.Now() > m_rescanAfter))
        return;
    m_rescanAfter = CDateTime();
    Scan();
}

std::string CScheduleArming::RecordingWithin(int minutes) const {
    const Wake armed = ArmedWake();
    if (minutes > 0 && !IsSet(armed.target)) {
        // Within a recording's lead time its wake has passed and nothing is
        // armed for it, but its start is nearer than any margin.
        Wake upcoming;
        {
            std::lock_guard<std::mutex> lock(m_wakeLock);
            upcoming = m_upcoming;
        }
        const CDateTime now = m_ports.clock.Now();
        if (IsSet(upcoming.target) && !(upcoming.target > now) && upcoming.recordingStart > now)
            return m_ports.dateText.Format(upcoming.recordingStart);
        return "";
    }
    if (minutes <= 0 || !IsSet(armed.target) ||
        (armed.target - m_ports.clock.Now()).GetTotalDays() >=
            CDateTimeSpan(0, 0, minutes, 0).GetTotalDays())
        return "";
    return m_ports.dateText.Format(armed.recordingStart);
}

bool CScheduleArming::ArmedRecording(std::string& start, int64_t& minutesAway) const {
    const Wake armed = ArmedWake();
    if (!IsSet(armed.target))
        return false;
    start = m_ports.dateText.Format(armed.recordingStart);
    minutesAway =
        static_cast<int64_t>((armed.recordingStart - m_ports.clock.Now()).GetTotalDays() * 24 * 60);
    return true;
}

void CScheduleArming::ReleaseScan() {
    m_scanBusy = false;
    // The dialog's thread scans; this may be the wake-timer thread.
    if (m_scanPending)
        m_ports.messenger.PostToDialog(kRescanMessage, 0, 0);
}

bool CScheduleArming::WaitForArming(uint32_t timeoutMs) {
    // The wait goes on handling what other threads send to the dialog, so
    // the arming thread's log lines pass. A request kept meanwhile is served
    // here: its posted notice would only come after the wait.
    return m_ports.wait.WaitUntil(
        [this] {
            if (!m_scanBusy && m_scanPending)
                Scan();
            return !m_scanBusy && !m_scanPending;
        },
        timeoutMs);
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
    // Taken while the scan still holds them: later scans change them.
    const Wake wake{m_nextStart, m_nextRecording, CDateTime()};
    const CWakeTimer::Arming arming = m_wakeTimer.Arm(wake.target, log);
    if (!arming.set) {
        // Nothing is armed: let the next scan try again.
        SetArmed(CDateTime(), CDateTime());
        if (!stop)
            m_status.SetNextWake("", "");
        ReleaseScan();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_wakeLock);
        if (m_armedStart == wake.target)
            m_armedDue = arming.due;
    }
    WakeAbility ability = ReadWakeAbility(m_ports.power);
    ability.timerUnsupported = arming.resumeUnsupported;
    if (!stop)
        m_status.SetNextWake(arming.targetText, WakeStatusWarning(ability));
    // The most common reason why a machine armed right does not wake.
    if (ability.settingRead) {
        const std::string warning = WakeTimerSettingWarning(ability.onMains, ability.onBattery);
        if (!warning.empty())
            log(warning);
    }
    if (arming.resumeUnsupported && !stop)
        ReportTimerUnsupported();
    ReleaseScan();

    const CWakeTimer::WaitEnd end = m_wakeTimer.Wait(arming, log);
    if (stop)
        return;
    m_ports.controls.SetItemText(IDC_HIDDEN_EDIT, "");
    // Fired, or let go: nothing is armed until the next scan arms again.
    if (end.newest)
        m_status.SetNextWake("", "");
    if (end.fired) {
        {
            std::lock_guard<std::mutex> lock(m_wakeLock);
            m_bFired = true;
            m_fired = wake;
        }
        m_ports.messenger.PostToDialog(kWakeFiredMessage, 0, 0);
    }
}
