// The dialog's message hook: the schedule-change notices, the host's events
// forwarded by the extension module, and the system's power and session
// broadcasts.
#include "common/WakeupMessages.h"
#include "wakeup/app/WakeUpDlg.h"
#include "wakeup/power/HostCommand.h"

bool CWakeUpDlg::WindowProc(uint32_t message, uint32_t wParam, int32_t lParam, intptr_t* result) {
    if (message == kRescanMessage) {
        ScanSchedule();
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
        AddLogLine("OSD action.");
        ResetCountdown();
        break;
    case WAKEUP_MSG_SELECTION_CHANGED:
        AddLogLine("Selection changed to:" + std::to_string(lParam));
        ResetCountdown();
        break;
    case WAKEUP_MSG_SCHEDULE_DIR_CHANGED:
        // Whatever the change code: every change and the start of the watch
        // lead to a fresh scan.
        AddLogLine("tvrecord.xml has changed.");
        ScanSchedule();
        break;
    case WAKEUP_MSG_PLAYER_EVENT:
        OnPlayerEvent(lParam);
        break;
    default:
        break;
    }
    return false;
}

void CWakeUpDlg::ResetCountdown() {
    ++m_nCountdownResets;
    SetCountdownFull();
}

void CWakeUpDlg::SetCountdownFull() {
    m_ctlProgress.SetPos(m_nSuspendMinutes);
}

SleepState CWakeUpDlg::CurrentSleepState(unsigned resetsBefore, bool wakeTimerSet) const {
    SleepState state;
    state.recording = m_bRecording;
    state.paused = m_bPaused;
    state.countReset = m_nCountdownResets != resetsBefore;
    state.wakeTimerSet = wakeTimerSet;
    state.awayFromConsole = m_bAwayFromConsole;
    return state;
}

void CWakeUpDlg::OnSessionChange(uint32_t event) {
    const bool away = !AtConsoleAfterSessionEvent(event, !m_bAwayFromConsole);
    if (away == m_bAwayFromConsole)
        return;
    m_bAwayFromConsole = away;
    if (away) {
        AddLogLine("Auto-suspend paused: this session is not at the console");
    } else {
        AddLogLine("Auto-suspend resumed: this session is at the console again");
        ResetCountdown();
    }
}

void CWakeUpDlg::OnPlayerEvent(int32_t code) {
    // Positions 1 to 4 are the warning phase: the user was told that the
    // machine goes to sleep soon.
    if (m_ctlProgress.GetPos() < 5)
        RunHostCommand(HostCommandLine(m_strHostDir, HOST_CANCEL_NOTICE_ARGUMENTS));
    ResetCountdown();

    const PlayerEventReaction reaction = ReactToPlayerEvent(code);
    if (reaction.logLine)
        AddLogLine(reaction.logLine);
    if (reaction.recording != FlagChange::keep)
        m_bRecording = reaction.recording == FlagChange::set;
    if (reaction.paused != FlagChange::keep)
        m_bPaused = reaction.paused == FlagChange::set;
    if (const uint32_t state = m_executionState.AfterPlayerEvent(reaction, m_bRecording, m_bPaused))
        m_ports.power.SetThreadExecutionState(state);
}

bool CWakeUpDlg::OnPowerBroadcast(uint32_t event, intptr_t* result) {
    switch (event) {
    case PBT_EVENT_QUERY_SUSPEND:
        return OnSuspendQuery(result);
    case PBT_EVENT_SUSPEND:
        AddLogLine("Going to suspend");
        m_bSuspended = true;
        break;
    case PBT_EVENT_RESUME_SUSPEND:
        AddLogLine("Resume suspend");
        if (m_bSuspended) {
            m_bSuspended = false;
            ResetCountdown();
        }
        break;
    case PBT_EVENT_RESUME_AUTOMATIC:
        AddLogLine("Resume automatic");
        if (m_bSuspended)
            ResetCountdown();
        m_bSuspended = false;
        break;
    default:
        break;
    }
    return false;
}

bool CWakeUpDlg::OnSuspendQuery(intptr_t* result) {
    const unsigned resets = m_nCountdownResets;
    SleepDecision decision = DecideSleep(SleepAsker::suspendQuery, CurrentSleepState(resets, true));
    AddLogLine(decision.logLine);
    if (decision.sleep) {
        // The wake timer armed for the latest schedule before the machine
        // sleeps: the answer waits until the arming thread has set it. The
        // host's events are handled during that wait, so the answer is
        // decided again from the state after it.
        ScanSchedule();
        const bool armed = WaitForArming();
        decision = DecideSleep(SleepAsker::suspendQuery, CurrentSleepState(resets, armed));
        if (decision.sleep)
            return false;
        AddLogLine(decision.logLine);
    }
    *result = BROADCAST_QUERY_DENY_ANSWER;
    return true;
}

void CWakeUpDlg::RunHostCommand(const std::string& commandLine) {
    // Not waited for; a tool that cannot be started is not reported.
    m_ports.processes.StartProcess(commandLine);
}
