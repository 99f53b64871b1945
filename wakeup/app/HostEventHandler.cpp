#include "wakeup/app/HostEventHandler.h"

#include "common/WakeupMessages.h"
#include "wakeup/app/NightRules.h"
#include "wakeup/platform/DialogMessages.h"
#include "wakeup/power/HostCommand.h"

CHostEventHandler::CHostEventHandler(const Ports& ports, CWakeUpLog& log, CNightState& night,
                                     CKeepAwake& keepAwake, CAutoSuspend& countdown,
                                     CScheduleArming& arming, CWakeProof& proof,
                                     const std::string& hostDir)
    : m_ports(ports), m_log(log), m_night(night), m_keepAwake(keepAwake), m_countdown(countdown),
      m_arming(arming), m_proof(proof), m_hostDir(hostDir) {}

bool CHostEventHandler::WindowProc(uint32_t message, uint32_t wParam, int32_t lParam,
                                   intptr_t* result) {
    const bool answered = Handle(message, wParam, lParam, result);
    // Whatever the message changed (the armed wake, the hold, the flags),
    // the hold follows.
    m_keepAwake.AfterHoldChange();
    return answered;
}

bool CHostEventHandler::Handle(uint32_t message, uint32_t wParam, int32_t lParam,
                               intptr_t* result) {
    switch (message) {
    case DialogMessage::kRescan:
        m_arming.Scan();
        return false;
    case DialogMessage::kWakeTimerNews:
        OnWakeTimerNews();
        return false;
    case DialogMessage::kCountdownMinute:
        m_countdown.OnMinute(wParam);
        return false;
    case DialogMessage::kSleepRequestDone:
        OnSleepRequestDone(wParam, lParam);
        return false;
    default:
        break;
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
        m_night.recording = reaction.recording == FlagChange::set;
    if (reaction.paused != FlagChange::keep)
        m_night.paused = reaction.paused == FlagChange::set;
    // The recording the machine was woken for has started (or one runs):
    // the recording itself keeps the machine awake from here on.
    if (reaction.recording == FlagChange::set)
        m_night.awaitingRecording = false;
    m_keepAwake.AfterPlayerEvent(reaction);
}

void CHostEventHandler::OnWakeTimerNews() {
    for (const NightWake& fired : m_arming.TakeNews())
        OnWakeFired(fired);
}

void CHostEventHandler::OnWakeFired(const NightWake& fired) {
    if (!HoldsAfterFiring(m_night, fired.recordingStart, m_ports.clock.NowUtc()))
        return;
    // A PC woken by a timer with nobody at it sleeps again within minutes
    // unless a program asks for the system; the host may report the
    // recording later than that.
    m_night.awaitedStart = fired.recordingStart;
    m_night.awaitedLocal = fired.localStart;
    m_night.awaitingRecording = true;
    m_log.Add("Woke for the recording at " + m_ports.dateText.Format(fired.localStart) +
              ": keeping the PC awake until it starts");
}

void CHostEventHandler::OnSleepRequestDone(uint32_t error, int32_t origin) {
    if (origin == static_cast<int32_t>(SleepOrigin::wakeTest))
        m_proof.OnTestRequestDone(error);
    else
        m_countdown.OnSleepRequestDone(error);
}

void CHostEventHandler::OnClockTick() {
    if (HoldRunOut(m_night, m_ports.clock.NowUtc())) {
        m_log.Add("The recording at " + m_ports.dateText.Format(m_night.awaitedLocal) +
                  " has not started: the PC may sleep again");
        m_night.awaitingRecording = false;
    }
    m_arming.OnClockTick();
    m_proof.OnClockTick();
    m_keepAwake.AfterHoldChange();
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
        m_night.suspended = true;
        m_arming.Scan();
        m_arming.WaitForArming(CScheduleArming::kSuspendArmingTimeoutMs);
        m_proof.OnSuspend();
        m_log.FlushFile(kSuspendLogFlushMs);
        break;
    case PBT_EVENT_RESUME_SUSPEND:
        m_log.Add("Resume suspend");
        m_proof.OnResume(true);
        if (m_night.suspended) {
            m_night.suspended = false;
            m_countdown.Reset();
            // A schedule written, or a change notice lost, while it slept.
            m_arming.Scan();
        }
        break;
    case PBT_EVENT_RESUME_AUTOMATIC:
        m_log.Add("Resume automatic");
        m_proof.OnResume(false);
        if (m_night.suspended) {
            m_countdown.Reset();
            m_arming.Scan();
        }
        m_night.suspended = false;
        break;
    default:
        break;
    }
    return false;
}

bool CHostEventHandler::OnSuspendQuery(intptr_t* result) {
    const unsigned resets = m_night.resets;
    SleepDecision decision =
        DecideSleep(SleepAsker::suspendQuery, SleepStateOf(m_night, resets, true));
    m_log.Add(decision.logLine);
    if (decision.sleep) {
        // The wake timer armed for the latest schedule before the machine
        // sleeps: the answer waits until the arming thread has set it. The
        // host's events are handled during that wait, so the answer is
        // decided again from the state after it.
        m_arming.Scan();
        const bool armed = m_arming.WaitForArming();
        decision = DecideSleep(SleepAsker::suspendQuery, SleepStateOf(m_night, resets, armed));
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
    const bool away = !AtConsoleAfterSessionEvent(event, !m_night.awayFromConsole);
    if (away == m_night.awayFromConsole)
        return;
    m_night.awayFromConsole = away;
    if (away) {
        m_log.Add("Auto-suspend paused: this session is not at the console");
    } else {
        m_log.Add("Auto-suspend resumed: this session is at the console again");
        m_countdown.Reset();
    }
}
