#include "wakeup/app/ScheduleArming.h"

#include "wakeup/app/NightRules.h"
#include "wakeup/app/resource.h"
#include "wakeup/platform/DialogMessages.h"
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

CScheduleArming::CScheduleArming(const Ports& ports, CWakeUpLog& log, CNightState& night,
                                 CWakeStatus& status, const std::string& hostDir,
                                 const int& leadMinutes)
    : m_ports(ports), m_log(log), m_night(night), m_status(status), m_hostDir(hostDir),
      m_leadMinutes(leadMinutes), m_wakeTimer(ports.timers, ports.clock, ports.dateText),
      m_threadProc(ArmOwnWakeTimer), m_threadParam(this) {}

void CScheduleArming::UseThreadEntry(IThreadStarter::ThreadProc proc, void* param) {
    m_threadProc = proc;
    m_threadParam = param;
}

ScheduleScanResult CScheduleArming::ScanFromNow() const {
    const CDateTime now = m_ports.clock.Now(), nowUtc = m_ports.clock.NowUtc();
    ScheduleScanResult scan = ScanScheduleFile(m_ports.files, m_ports.codePage, m_ports.dateText,
                                               m_hostDir, now, m_leadMinutes);
    // Once the clock has gone back in autumn, the wall clock reads the
    // repeated hour a second time, and a start in it, taken as its first
    // occurrence, has passed although it lies ahead on the wall clock. Then
    // (and only when the zone's rules agree with the clock an hour on, so
    // that rules the clock does not follow skip nothing) the scan goes on
    // from such a start to the next: a few at most, a scan each.
    const CDateTimeSpan hour(0, 1, 0, 0), minute(0, 0, 1, 0);
    const CDateTime anHourOn = UtcOf(m_ports.localTime, now + hour);
    const bool clockWentBack = UtcOf(m_ports.localTime, now) < nowUtc - minute &&
                               !(anHourOn < nowUtc + hour - minute) &&
                               !(anHourOn > nowUtc + hour + minute);
    constexpr int kMostPassedStarts = 8;
    for (int i = 0; clockWentBack && scan.found && i < kMostPassedStarts; ++i) {
        const CDateTime startUtc = UtcOf(m_ports.localTime, scan.recordingStart);
        if (!IsSet(startUtc) || !(startUtc < nowUtc))
            break;
        scan = ScanScheduleFile(m_ports.files, m_ports.codePage, m_ports.dateText, m_hostDir,
                                scan.recordingStart, m_leadMinutes);
    }
    return scan;
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

    const ScheduleScanResult scan = ScanFromNow();
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
        m_night.upcoming = NightWake();
        m_log.Add("No new schedule found");
        // An earlier arming stays in force, and the line with it.
        if (!IsSet(m_night.armed.target))
            m_status.SetNextWake("", "");
        ReleaseScan();
        return;
    }
    // The start converted once, by the zone's rules for its date, and the
    // lead time taken off in UTC; a start that cannot be converted cannot be
    // armed.
    const CDateTime startUtc = UtcOf(m_ports.localTime, scan.recordingStart);
    const NightWake found{startUtc - (scan.recordingStart - scan.wakeTarget), startUtc, CDateTime(),
                          scan.recordingStart};
    if (!IsSet(startUtc)) {
        m_night.upcoming = NightWake();
        m_log.Add("Unable to set timer to: " + m_ports.dateText.Format(scan.wakeTarget));
        ReleaseScan();
        return;
    }
    m_night.upcoming = found;
    const CDateTime target = TargetToArm(m_night, found, m_ports.clock.NowUtc());
    if (IsSet(target)) {
        m_night.clockChanged = false;
        // The thread sets the timer by the local moment, as the schedule has it.
        Arm(target == found.target ? scan.wakeTarget : scan.recordingStart,
            {target, found.recordingStart, CDateTime(), found.localStart});
        // The flag stays set until the new thread has taken its target.
        if (m_ports.threads.Start(m_threadProc, m_threadParam))
            return;
        m_night.armed = NightWake();
    }
    ReleaseScan();
}

void CScheduleArming::Arm(const CDateTime& localTarget, const NightWake& wake) {
    m_nextStart = localTarget;
    m_nextWake = wake;
    m_night.armed = wake;
}

void CScheduleArming::RearmForNewClock() {
    m_night.clockChanged = true;
    Scan();
}

void CScheduleArming::ReportTimerUnsupported() {
    if (m_bToldUnsupported)
        return;
    m_bToldUnsupported = true;
    m_log.Add("This PC cannot be woken by a timer: the system does not support it");
    WakeAbility ability = ReadWakeAbility(m_ports.power);
    ability.timerUnsupported = true;
    for (const std::string& line : WakeChecks(ability))
        m_log.Add(line);
}

std::vector<NightWake> CScheduleArming::TakeNews() {
    std::vector<News> news;
    {
        std::lock_guard<std::mutex> lock(m_newsLock);
        news.swap(m_news);
    }
    std::vector<NightWake> fired;
    fired.swap(m_firedUntold);
    NightWake& armed = m_night.armed;
    for (const News& n : news) {
        // A thread's news counts only while its wake is the armed one; an
        // older thread's is history.
        const bool current = IsSet(armed.target) && armed.target == n.wake.target;
        switch (n.kind) {
        case News::set:
            if (current) {
                armed.due = n.wake.due;
                m_status.SetNextWake(n.targetText, n.warning);
            }
            if (n.resumeUnsupported)
                ReportTimerUnsupported();
            break;
        case News::refused:
            // Nothing is armed: the next scan tries again.
            if (current) {
                armed = NightWake();
                m_status.SetNextWake("", "");
            }
            break;
        case News::ended:
            if (n.newest && (current || !IsSet(armed.target)))
                m_status.SetNextWake("", "");
            if (!n.fired)
                break;
            // Unless a scan has armed another wake since.
            if (current)
                armed = NightWake();
            m_night.rescanAfter = n.wake.recordingStart;
            m_night.firedTarget = n.wake.target;
            fired.push_back(n.wake);
            break;
        }
    }
    return fired;
}

void CScheduleArming::OnClockTick() {
    // Until the fired recording has started, every scan finds it again;
    // from then on the next one is found and armed.
    if (!IsSet(m_night.rescanAfter) || !(m_ports.clock.NowUtc() > m_night.rescanAfter))
        return;
    m_night.rescanAfter = CDateTime();
    Scan();
}

bool CScheduleArming::ArmedRecording(std::string& start, int64_t& minutesAway) const {
    const NightWake& armed = m_night.armed;
    if (!IsSet(armed.target))
        return false;
    start = m_ports.dateText.Format(armed.localStart);
    minutesAway = static_cast<int64_t>(
        (armed.recordingStart - m_ports.clock.NowUtc()).GetTotalDays() * 24 * 60);
    return true;
}

void CScheduleArming::ReleaseScan() {
    m_scanBusy = false;
    // The dialog's thread scans; this may be the wake-timer thread.
    if (m_scanPending)
        m_ports.messenger.PostToDialog(DialogMessage::kRescan, 0, 0);
}

bool CScheduleArming::WaitForArming(uint32_t timeoutMs) {
    // The wait goes on handling what other threads send to the dialog, so
    // the arming thread's log lines pass. A request kept meanwhile is served
    // here: its posted notice would only come after the wait.
    const bool done = m_ports.wait.WaitUntil(
        [this] {
            if (!m_scanBusy && m_scanPending)
                Scan();
            return !m_scanBusy && !m_scanPending;
        },
        timeoutMs);
    // The armed wake's due moment, now rather than when the posted notice
    // comes: the sleep that follows needs it. A fire among the news waits
    // for the notice, whose handling starts the hold.
    m_firedUntold = TakeNews();
    return done;
}

void CScheduleArming::Tell(const News& news) {
    {
        std::lock_guard<std::mutex> lock(m_newsLock);
        m_news.push_back(news);
    }
    m_ports.messenger.PostToDialog(DialogMessage::kWakeTimerNews, 0, 0);
}

void CScheduleArming::ArmWakeTimer(const std::atomic<bool>& stop) {
    const auto log = [&](const std::string& line) {
        if (!stop)
            m_log.Add(line);
    };
    // Taken while the scan still holds them: later scans change them.
    const CDateTime localTarget = m_nextStart;
    NightWake wake = m_nextWake;
    const CWakeTimer::Arming arming = m_wakeTimer.Arm(localTarget, wake.target, log);
    if (!arming.set) {
        if (!stop)
            Tell({News::refused, wake, "", "", false, false, false});
        ReleaseScan();
        return;
    }
    wake.due = arming.due;
    WakeAbility ability = ReadWakeAbility(m_ports.power);
    ability.timerUnsupported = arming.resumeUnsupported;
    // The most common reason why a machine armed right does not wake.
    if (ability.settingRead) {
        const std::string warning = WakeTimerSettingWarning(ability.onMains, ability.onBattery);
        if (!warning.empty())
            log(warning);
    }
    if (!stop)
        Tell({News::set, wake, arming.targetText, WakeStatusWarning(ability),
              arming.resumeUnsupported, false, false});
    ReleaseScan();

    const CWakeTimer::WaitEnd end = m_wakeTimer.Wait(arming, log);
    if (stop)
        return;
    m_ports.controls.SetItemText(IDC_HIDDEN_EDIT, "");
    Tell({News::ended, wake, "", "", false, end.fired, end.newest});
}
