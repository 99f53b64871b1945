#include "wakeup/app/HostEventHandler.h"

#include "common/WakeupMessages.h"
#include "wakeup/power/HostCommand.h"

CHostEventHandler::CHostEventHandler(const Ports& ports, CWakeUpLog& log, CHostState& host,
                                     CAutoSuspend& countdown, CScheduleArming& arming,
                                     CWakeProof& proof, const std::string& hostDir)
    : m_ports(ports), m_log(log), m_host(host), m_countdown(countdown), m_arming(arming),
      m_proof(proof), m_hostDir(hostDir) {}

bool CHostEventHandler::WindowProc(uint32_t message, uint32_t wParam, int32_t lParam,
                                   intptr_t* result) {
    if (message == CScheduleArming::kRescanMessage) {
        m_arming.Scan();
        return false;
    }
    if (message == CScheduleArming::kWakeFiredMessage) {
        OnWakeFired();
        return false;
    }
    if (message == kOtherProgramsMessage) {
        CheckOtherPrograms();
        return false;
    }
    if (message == CWakeProof::kTestRequestFailedMessage) {
        m_proof.OnTestRequestFailed(wParam);
        return false;
    }
    if (message == POWER_BROADCAST_MESSAGE)
        return OnPowerBroadcast(wParam, result);
    if (message == SESSION_CHANGE_MESSAGE) {
        OnSessionChange(wParam);
        return false;
    }
    if (message == TIME_CHANGE_MESSAGE) {
        m_log.Add("The clock or the time zone has changed: the wake timer is set anew");
        m_arming.RearmForNewClock();
        return false;
    }
    if (message == END_SESSION_MESSAGE) {
        if (wParam)
            OnSessionEnd();
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

void CHostEventHandler::OnSessionEnd() {
    // The system ends the process soon after this message returns, with no
    // program end of its own: no later line would reach the file.
    constexpr uint32_t kFlushMs = 2000;
    std::string start;
    int64_t minutesAway = 0;
    if (m_arming.ArmedRecording(start, minutesAway))
        m_log.Add("The session ends: the wake for the recording at " + start + " ends with it");
    m_log.FlushFile(kFlushMs);
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
    // The recording the machine was woken for has started (or one runs):
    // the recording itself keeps the machine awake from here on.
    if (reaction.recording == FlagChange::set && m_host.awaitingRecording)
        EndAwaiting();
    SetExecutionState(m_executionState.AfterPlayerEvent(reaction, m_host.recording, m_host.paused));
    KeepAwakeChanged();
}

void CHostEventHandler::KeepAwakeChanged() {
    m_ports.session.SetRecordingMark(m_host.recording || m_host.awaitingRecording);
    m_arming.Status().SetKeepAwake(
        KeepAwakeText(m_host.recording, m_host.paused,
                      m_host.awaitingRecording ? m_ports.dateText.Format(m_awaitedStart) : ""));
}

void CHostEventHandler::SetExecutionState(uint32_t state) {
    if (state)
        m_ports.power.SetThreadExecutionState(state);
}

void CHostEventHandler::OnWakeFired() {
    CDateTime start;
    if (!m_arming.TakeFiredWake(start))
        return;
    // The same recording again: a wake armed anew after a sleep during the
    // hold, or one the host has reported already.
    if (start == m_awaitedStart)
        return;
    // Woken too late: the recording has started and the wait would be over
    // already (the resume report says so).
    if (m_ports.clock.Now() > start + CDateTimeSpan(0, 0, kAwaitRecordingMinutes, 0))
        return;
    // A PC woken by a timer with nobody at it sleeps again within minutes
    // unless a program asks for the system; the host may report the
    // recording later than that.
    m_awaitedStart = start;
    m_host.awaitingRecording = true;
    m_log.Add("Woke for the recording at " + m_ports.dateText.Format(start) +
              ": keeping the PC awake until it starts");
    SetExecutionState(m_executionState.AfterAwaitingChange(true, m_host.recording, m_host.paused));
    KeepAwakeChanged();
}

void CHostEventHandler::EndAwaiting() {
    m_host.awaitingRecording = false;
    SetExecutionState(m_executionState.AfterAwaitingChange(false, m_host.recording, m_host.paused));
    KeepAwakeChanged();
}

void CHostEventHandler::OnClockTick() {
    if (m_host.awaitingRecording && m_ports.clock.Now() > HoldEnd()) {
        m_log.Add("The recording at " + m_ports.dateText.Format(m_awaitedStart) +
                  " has not started: the PC may sleep again");
        EndAwaiting();
    }
    m_arming.OnClockTick();
    m_proof.OnClockTick();
}

bool CHostEventHandler::NextTick(CDateTime& at) const {
    bool any = false;
    const auto take = [&](const CDateTime& moment) {
        if (!any || moment < at)
            at = moment;
        any = true;
    };
    // The hold ends once its end has passed: a second after it.
    if (m_host.awaitingRecording)
        take(HoldEnd() + CDateTimeSpan(0, 0, 0, 1));
    CDateTime moment;
    if (m_arming.NextTick(moment))
        take(moment);
    if (m_proof.NextTick(moment))
        take(moment);
    return any;
}

void CHostEventHandler::CheckOtherPrograms() {
    // The sleep is refused for these whatever the system says, and letting
    // go of the thread's state would drop the recording's or the wake's
    // hold for a moment.
    if (m_host.recording || m_host.paused || m_host.awaitingRecording) {
        m_host.otherProgramAwake = false;
        return;
    }
    // The system's state includes this thread's own request, which the
    // host's events may have left set; it is let go for the reading.
    constexpr uint32_t kKeepsAwake = ES_FLAG_SYSTEM_REQUIRED | ES_FLAG_AWAYMODE_REQUIRED;
    const uint32_t own = m_executionState.Applied();
    const bool ownCounts = (own & kKeepsAwake) != 0;
    if (ownCounts)
        m_ports.power.SetThreadExecutionState(ES_FLAG_CONTINUOUS);
    uint32_t system = 0;
    const bool read = m_ports.power.ReadSystemExecutionState(system);
    if (ownCounts)
        m_ports.power.SetThreadExecutionState(own);
    // Not readable: the countdown goes ahead, as it did before it looked.
    m_host.otherProgramAwake = read && (system & kKeepsAwake) != 0;
}

bool CHostEventHandler::OnPowerBroadcast(uint32_t event, intptr_t* result) {
    switch (event) {
    case PBT_EVENT_QUERY_SUSPEND:
        return OnSuspendQuery(result);
    case PBT_EVENT_SUSPEND:
        // The one notice before a sleep that the user or the system starts
        // (no query comes since Vista): the wake timer is armed for the
        // latest schedule before the machine goes down, as far as the
        // system's time for the notice allows.
        m_log.Add("Going to suspend");
        m_host.suspended = true;
        m_arming.SetSleepComing(true);
        m_arming.Scan();
        m_arming.WaitForArming(CScheduleArming::kSuspendArmingTimeoutMs);
        m_proof.OnSuspend();
        m_log.FlushFile(kSuspendLogFlushMs);
        break;
    case PBT_EVENT_RESUME_SUSPEND:
        m_log.Add("Resume suspend");
        m_arming.SetSleepComing(false);
        m_proof.OnResume(true);
        if (m_host.suspended) {
            m_host.suspended = false;
            m_countdown.Reset();
            // A schedule written, or a change notice lost, while it slept.
            m_arming.Scan();
        }
        break;
    case PBT_EVENT_RESUME_AUTOMATIC:
        m_log.Add("Resume automatic");
        m_arming.SetSleepComing(false);
        m_proof.OnResume(false);
        if (m_host.suspended) {
            m_countdown.Reset();
            m_arming.Scan();
        }
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
