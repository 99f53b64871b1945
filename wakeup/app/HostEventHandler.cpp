#include "wakeup/app/HostEventHandler.h"

#include "common/WakeupMessages.h"
#include "wakeup/power/HostCommand.h"

CHostEventHandler::CHostEventHandler(const Ports& ports, CWakeUpLog& log, CHostState& host,
                                     CAutoSuspend& countdown, CScheduleArming& arming,
                                     const std::string& hostDir)
    : m_ports(ports), m_log(log), m_host(host), m_countdown(countdown), m_arming(arming),
      m_hostDir(hostDir) {}

bool CHostEventHandler::WindowProc(uint32_t message, uint32_t wParam, int32_t lParam,
                                   intptr_t* result) {
    if (message == CScheduleArming::kRescanMessage) {
        m_arming.Scan();
        return false;
    }
    if (message == POWER_BROADCAST_MESSAGE)
        return OnPowerBroadcast(wParam, result);
    if (message == SESSION_CHANGE_MESSAGE) {
        OnSessionChange(wParam);
        return false;
    }
    if (message != WAKEUP_MESSAGE)
        return false;
    switch (wParam) {
    case WAKEUP_MSG_OSD_ACTION:
        m_log.Add("OSD action.");
        m_countdown.Reset();
        break;
    case WAKEUP_MSG_SELECTION_CHANGED:
        m_log.Add("Selection changed to:" + std::to_string(lParam));
        m_countdown.Reset();
        break;
    case WAKEUP_MSG_SCHEDULE_DIR_CHANGED:
        // Whatever the change code: every change and the start of the watch
        // lead to a fresh scan.
        m_log.Add(WAKEUP_SCHEDULE_FILE " has changed.");
        m_arming.Scan();
        break;
    case WAKEUP_MSG_PLAYER_EVENT:
        OnPlayerEvent(lParam);
        break;
    default:
        break;
    }
    return false;
}

void CHostEventHandler::OnPlayerEvent(int32_t code) {
    // Positions 1 to 4 are the warning phase: the user was told that the
    // machine goes to sleep soon.
    if (m_countdown.Position() < 5)
        m_ports.processes.StartProcess(HostCommandLine(m_hostDir, HOST_CANCEL_NOTICE_ARGUMENTS));
    m_countdown.Reset();

    const PlayerEventReaction reaction = ReactToPlayerEvent(code);
    if (reaction.logLine)
        m_log.Add(reaction.logLine);
    if (reaction.recording != FlagChange::keep)
        m_host.recording = reaction.recording == FlagChange::set;
    if (reaction.paused != FlagChange::keep)
        m_host.paused = reaction.paused == FlagChange::set;
    if (const uint32_t state =
            m_executionState.AfterPlayerEvent(reaction, m_host.recording, m_host.paused))
        m_ports.power.SetThreadExecutionState(state);
}

bool CHostEventHandler::OnPowerBroadcast(uint32_t event, intptr_t* result) {
    switch (event) {
    case PBT_EVENT_QUERY_SUSPEND:
        return OnSuspendQuery(result);
    case PBT_EVENT_SUSPEND:
        m_log.Add("Going to suspend");
        m_host.suspended = true;
        break;
    case PBT_EVENT_RESUME_SUSPEND:
        m_log.Add("Resume suspend");
        if (m_host.suspended) {
            m_host.suspended = false;
            m_countdown.Reset();
        }
        break;
    case PBT_EVENT_RESUME_AUTOMATIC:
        m_log.Add("Resume automatic");
        if (m_host.suspended)
            m_countdown.Reset();
        m_host.suspended = false;
        break;
    default:
        break;
    }
    return false;
}

bool CHostEventHandler::OnSuspendQuery(intptr_t* result) {
    const unsigned resets = m_countdown.Resets();
    SleepDecision decision =
        DecideSleep(SleepAsker::suspendQuery, m_countdown.SleepStateSince(resets, true));
    m_log.Add(decision.logLine);
    if (decision.sleep) {
        // The wake timer armed for the latest schedule before the machine
        // sleeps: the answer waits until the arming thread has set it. The
        // host's events are handled during that wait, so the answer is
        // decided again from the state after it.
        m_arming.Scan();
        const bool armed = m_arming.WaitForArming();
        decision =
            DecideSleep(SleepAsker::suspendQuery, m_countdown.SleepStateSince(resets, armed));
        if (decision.sleep)
            return false;
        m_log.Add(decision.logLine);
    }
    *result = BROADCAST_QUERY_DENY_ANSWER;
    return true;
}

void CHostEventHandler::OnSessionAway() {
    OnSessionChange(WTS_EVENT_CONSOLE_DISCONNECT);
}

void CHostEventHandler::OnSessionChange(uint32_t event) {
    const bool away = !AtConsoleAfterSessionEvent(event, !m_host.awayFromConsole);
    if (away == m_host.awayFromConsole)
        return;
    m_host.awayFromConsole = away;
    if (away) {
        m_log.Add("Auto-suspend paused: this session is not at the console");
    } else {
        m_log.Add("Auto-suspend resumed: this session is at the console again");
        m_countdown.Reset();
    }
}
