#include "wakeup/app/ScheduleArming.h"

#include "wakeup/app/WakeStatus.h"
#include "wakeup/power/WakeTimerSetting.h"

CScheduleArming::CScheduleArming(const Ports& ports, CNightQueue& queue, const std::string& hostDir,
                                 const int& leadMinutes, const std::atomic<bool>& stop)
    : m_ports(ports), m_queue(queue), m_hostDir(hostDir), m_leadMinutes(leadMinutes), m_stop(stop),
      m_wakeTimer(ports.timers, ports.clock, ports.dateText) {}

bool CScheduleArming::BeginScan(NightEvent& scanned) {
    // A request while another scan or its arming is under way is not lost:
    // the holder of the flag sees it when it lets go (EndScan), so a
    // schedule written while a timer was being armed is armed too. The
    // request is marked before the flag is tried, so that a holder letting
    // go meanwhile cannot miss it.
    m_scanPending = true;
    bool idle = false;
    if (!m_scanBusy.compare_exchange_strong(idle, true))
        return false;
    m_scanPending = false;

    const ScheduleScanResult scan = ScanFromNow();
    scanned = NightEvent(NightEvent::scanned);
    scanned.read = scan.read;
    scanned.lines = scan.logLines;
    scanned.found = scan.found;
    scanned.localTarget = scan.wakeTarget;
    scanned.localStart = scan.recordingStart;
    scanned.code = scan.startsThen;
    scanned.channel = scan.channel;
    for (const CDateTime& start : scan.startedLately)
        scanned.startedLately.push_back(UtcOf(m_ports.localTime, start));
    // The start converted once, by the zone's rules for its date.
    if (scan.found)
        scanned.startUtc = UtcOf(m_ports.localTime, scan.recordingStart);
    return true;
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

bool CScheduleArming::StartArming(const NightWake& wake, const CDateTime& localTarget) {
    // Handed over while the scan is held: no other arming comes meanwhile.
    m_handed = Arm(wake, localTarget);
    if (m_ports.threads.Start(ThreadEntry, this))
        return true;
    // Nothing would see the timer fire: it is let go, as if never set.
    if (m_handed.arming.set)
        m_wakeTimer.LetGo(m_handed.arming);
    return false;
}

void CScheduleArming::EndScan() {
    m_scanBusy = false;
    // The dialog's thread scans; this may be the wake-timer thread.
    if (m_scanPending)
        m_queue.Post(NightEvent(NightEvent::rescan));
}

bool CScheduleArming::WaitWhileBusy(uint32_t timeoutMs) {
    return m_ports.wait.WaitUntil([this] { return !m_scanBusy; }, timeoutMs);
}

unsigned CScheduleArming::ThreadEntry(void* arming) {
    auto* self = static_cast<CScheduleArming*>(arming);
    const Armed armed = self->TakeOver();
    if (armed.arming.set)
        self->Wait(armed);
    return 0;
}

CScheduleArming::Armed CScheduleArming::Arm(const NightWake& wake, const CDateTime& localTarget) {
    // The lines come with the news, which the thread queues.
    Armed armed{CWakeTimer::Arming(), wake, {}};
    const auto log = [&armed](const std::string& line) { armed.lines.push_back(line); };
    // "Recording on ARD at 3/2/2005 8:15:00 PM", as Windows' tools show it.
    const std::string channel = armed.wake.channel.empty() ? "" : " on " + armed.wake.channel;
    const std::string reason =
        "Recording" + channel + " at " + m_ports.dateText.Format(armed.wake.localStart);
    armed.arming = m_wakeTimer.Arm(localTarget, armed.wake.target, reason, log);
    if (armed.arming.set)
        armed.wake.due = armed.arming.due;
    return armed;
}

CScheduleArming::Armed CScheduleArming::TakeOver() {
    const Armed armed = m_handed;
    NightEvent news(NightEvent::timerSet);
    news.lines = armed.lines;
    if (armed.arming.set) {
        WakeAbility ability = ReadWakeAbility(m_ports.power);
        ability.timerUnsupported = armed.arming.resumeUnsupported;
        // The most common reason why a machine armed right does not wake.
        if (ability.settingRead) {
            const std::string warning = WakeTimerSettingWarning(ability.onMains, ability.onBattery);
            if (!warning.empty())
                news.lines.push_back(warning);
        }
        news.targetText = armed.arming.targetText;
        news.warning = WakeStatusWarning(ability);
        news.resumeUnsupported = armed.arming.resumeUnsupported;
    } else {
        news.kind = NightEvent::timerRefused;
    }
    news.wake = armed.wake;
    if (!m_stop)
        m_queue.Post(news);
    EndScan();
    return armed;
}

void CScheduleArming::Wait(const Armed& armed) {
    NightEvent news(NightEvent::timerEnded);
    const CWakeTimer::WaitEnd end = m_wakeTimer.Wait(
        armed.arming, [&news](const std::string& line) { news.lines.push_back(line); });
    if (m_stop)
        return;
    news.wake = armed.wake;
    news.fired = end.fired;
    news.newest = end.newest;
    m_queue.Post(news);
}
