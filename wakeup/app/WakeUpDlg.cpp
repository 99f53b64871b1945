#include "wakeup/app/WakeUpDlg.h"

#include "common/WakeupMessages.h"
#include "wakeup/app/HostDirectory.h"
#include "wakeup/power/HostEvents.h"
#include "wakeup/power/Privilege.h"
#include "wakeup/power/WakeTimerSetting.h"

CWakeUpDlg::CWakeUpDlg(const CWakeUpPorts& ports, const std::string& programPath)
    : m_ports(ports), m_strHostDir(DeriveHostDir(programPath)),
      m_log(ports.arming.clock, ports.arming.dateText, ports.log, ports.logFile),
      m_settings(ports.registry, ports.events.controls), m_queue(ports.messenger),
      m_status(ports.events.controls), m_arming(ports.arming, m_queue, m_strHostDir,
                                                m_settings.m_nPvrBufferBegin, m_workersStopping),
      m_keepAwake({ports.arming.power, ports.session}, m_status),
      m_sleep({ports.arming.power, ports.arming.threads}, m_queue, m_workersStopping),
      m_countdown(ports.countdown, m_queue, m_workersStopping),
      m_proof({ports.arming.timers, ports.arming.clock}),
      m_events(ports.events, {m_arming, m_keepAwake, m_countdown, m_sleep, m_proof}, m_log, m_night,
               m_queue, m_settings, m_strHostDir),
      m_changeHandler(ports.messenger) {
    StartScheduleWatch();
}

void CWakeUpDlg::StartScheduleWatch() {
    // Started before the window exists; its start notice is delivered once
    // the dialog runs and makes the first scan. File-name changes count too:
    // a schedule saved by writing another file and renaming it over this
    // one, or deleted and written anew, changes no write time of the name.
    const uint32_t error = m_ports.watcher.WatchDirectory(
        m_strHostDir, WATCH_CHANGE_LAST_WRITE | WATCH_CHANGE_FILE_NAME, &m_changeHandler, false,
        WAKEUP_SCHEDULE_FILE, "");
    if (error != 0)
        m_ports.events.controls.ShowMessage("Failed to start watch:\n");
}

void CWakeUpDlg::OnInitDialog() {
    if (m_settings.Load()) {
        UpdateData(false);
        StartCountdown();
    }
    UpdateData(false);
    m_events.Step(NightEvent(NightEvent::hostLookup));

    // A scheduler run as administrator has a higher integrity level than
    // the host, whose messages the system would then drop without a word.
    if (const uint32_t error = m_ports.messenger.AllowFromLowerIntegrity(WAKEUP_MESSAGE))
        AddLogLine("Unable to let the host's messages through: error " + std::to_string(error));
    SleepCapabilities capabilities;
    if (m_ports.arming.power.ReadSleepCapabilities(capabilities)) {
        const std::string warning = SleepCapabilityWarning(capabilities);
        if (!warning.empty())
            AddLogLine(warning);
    }
    if (!m_ports.session.AtConsole())
        m_events.Step(NightEvent(NightEvent::sessionChange, WTS_EVENT_CONSOLE_DISCONNECT));
}

bool CWakeUpDlg::StopThreads() {
    m_workersStopping = true;
    return m_ports.arming.threads.StopAll(kStopTimeoutMs);
}

void CWakeUpDlg::StartCountdown() {
    m_events.Step(NightEvent(NightEvent::countdownStart));
    m_countdown.Start();
    m_bCountdownStarted = true;
}

void CWakeUpDlg::CountdownLengthChanged() {
    if (m_bCountdownStarted)
        m_events.Step(NightEvent(NightEvent::countdownLengthChanged));
    else if (m_settings.m_nSuspendMinutes > 0)
        StartCountdown();
}

void CWakeUpDlg::OnSuspendMinutesKillFocus() {
    if (m_settings.OnSuspendMinutesKillFocus())
        CountdownLengthChanged();
}

bool CWakeUpDlg::UseOptions(const WakeUpOptions& options) {
    const OptionsChange change = m_settings.UseOptions(options);
    // The window's own fields show the countdown's new values.
    UpdateData(false);
    if (change.length)
        CountdownLengthChanged();
    if (change.hibernate)
        m_events.Step(NightEvent(NightEvent::hibernateChanged));
    if (change.any)
        m_events.Step(NightEvent(NightEvent::settingsChanged));
    return change.stored;
}

void CWakeUpDlg::RunHostCommand(const std::string& commandLine) {
    // Not waited for; a tool that cannot be started is not reported.
    m_ports.events.processes.StartProcess(commandLine);
}

void CWakeUpDlg::AllowWakeTimers() {
    NightEvent allowed(NightEvent::wakeTimersAllowed);
    allowed.code = static_cast<int32_t>(m_ports.arming.power.AllowWakeTimers(allowed.armed));
    m_events.Step(allowed);
}

int CWakeUpDlg::SetTokenPrivilege(const char* privilege, int enable) {
    return SetProcessPrivilege(m_ports.arming.power, privilege, enable != 0) ? 1 : 0;
}
