#include "wakeup/app/HostEventHandler.h"

#include <algorithm>

#include "common/WakeupMessages.h"
#include "wakeup/app/NightRules.h"
#include "wakeup/app/resource.h"
#include "wakeup/platform/DialogMessages.h"
#include "wakeup/power/BusyPrograms.h"
#include "wakeup/power/HostCommand.h"
#include "wakeup/power/HostEvents.h"
#include "wakeup/power/SleepDecision.h"

namespace {
// A program's path as a command line: quoted, since it may hold blanks; a
// value that comes with its own quotes or arguments is taken as it is.
std::string QuotedProgram(const std::string& program) {
    if (program.empty() || program.front() == '"')
        return program;
    return '"' + program + '"';
}
} // namespace

CHostEventHandler::CHostEventHandler(const Ports& ports, const Parts& parts, CWakeUpLog& log,
                                     CNightState& night, CNightQueue& queue,
                                     const CWakeUpSettings& settings, const std::string& hostDir)
    : m_ports(ports), m_parts(parts), m_log(log), m_night(night), m_queue(queue),
      m_settings(settings), m_hostDir(hostDir) {}

bool CHostEventHandler::WindowProc(uint32_t message, uint32_t wParam, int32_t lParam,
                                   intptr_t* result) {
    if (message == DialogMessage::kNightEvent) {
        // Stepped now, or by the loop that runs.
        if (!m_running) {
            m_running = true;
            RunQueued();
            AllowQuietMinutes();
            m_running = false;
        }
        return false;
    }
    NightEvent event;
    if (!EventOf(message, wParam, lParam, event))
        return false;
    if (m_running) {
        // Sent while the loop waits for an arming: answered now, stepped
        // after the wait. A query gets the answer the night gives now.
        if (event.kind == NightEvent::querySuspend) {
            event.answered = true;
            const SleepDecision now =
                DecideSleep(SleepAsker::suspendQuery,
                            SleepStateNow(m_night, SettingsInputs(), m_night.resets, true));
            m_queue.Keep(event);
            if (now.sleep)
                return false;
            *result = BROADCAST_QUERY_DENY_ANSWER;
            return true;
        }
        m_queue.Keep(event);
        return false;
    }
    if (!Run(event))
        return false;
    *result = BROADCAST_QUERY_DENY_ANSWER;
    return true;
}

bool CHostEventHandler::EventOf(uint32_t message, uint32_t wParam, int32_t lParam,
                                NightEvent& event) const {
    // Each message and its wParam, and whether lParam is the event's code.
    struct Route {
        uint32_t message, wParam;
        NightEvent::Kind kind;
        bool coded;
    };
    static const Route kRoutes[] = {
        {POWER_BROADCAST_MESSAGE, PBT_EVENT_QUERY_SUSPEND, NightEvent::querySuspend, false},
        {POWER_BROADCAST_MESSAGE, PBT_EVENT_SUSPEND, NightEvent::suspend, false},
        {POWER_BROADCAST_MESSAGE, PBT_EVENT_RESUME_SUSPEND, NightEvent::resumeSuspend, false},
        {POWER_BROADCAST_MESSAGE, PBT_EVENT_RESUME_AUTOMATIC, NightEvent::resumeAutomatic, false},
        {WAKEUP_MESSAGE, WAKEUP_MSG_OSD_ACTION, NightEvent::osdAction, false},
        {WAKEUP_MESSAGE, WAKEUP_MSG_SELECTION_CHANGED, NightEvent::selectionChanged, true},
        {WAKEUP_MESSAGE, WAKEUP_MSG_SCHEDULE_DIR_CHANGED, NightEvent::scheduleChanged, false},
        {WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, NightEvent::playerEvent, true},
        {WAKEUP_MESSAGE, WAKEUP_MSG_HOST_PROCESS, NightEvent::hostProcess, true},
        {WAKEUP_MESSAGE, WAKEUP_MSG_STAY_AWAKE, NightEvent::stayAwake, true},
    };
    if (message == SESSION_CHANGE_MESSAGE) {
        event = NightEvent(NightEvent::sessionChange, static_cast<int32_t>(wParam));
        return true;
    }
    if (message == TIME_CHANGE_MESSAGE || message == END_SESSION_MESSAGE) {
        const bool clock = message == TIME_CHANGE_MESSAGE;
        event = NightEvent(clock ? NightEvent::clockChange : NightEvent::sessionEnd);
        return clock || wParam != 0;
    }
    for (const Route& route : kRoutes)
        if (route.message == message && route.wParam == wParam) {
            event = NightEvent(route.kind, route.coded ? lParam : 0);
            return true;
        }
    return false;
}

void CHostEventHandler::Step(const NightEvent& event) {
    if (m_running)
        m_queue.Keep(event);
    else
        Run(event);
}

bool CHostEventHandler::Run(const NightEvent& event) {
    m_running = true;
    m_deny = false;
    {
        // The run's lines reach the list and the file at its end, behind
        // what it set going: a changed schedule is armed first.
        CWakeUpLog::Batch batch(m_log);
        Process(event);
        RunQueued();
        AllowQuietMinutes();
    }
    m_running = false;
    return m_deny;
}

void CHostEventHandler::RunQueued() {
    NightEvent queued;
    while (m_queue.Take(queued)) {
        if (queued.waitMs)
            WaitForArming(queued);
        else
            Process(queued);
    }
}

void CHostEventHandler::Process(const NightEvent& event) {
    // They came before this event.
    StepQuietMinutes();
    if (event.kind != NightEvent::quietMinutes)
        StepOne(event);
}

void CHostEventHandler::StepQuietMinutes() {
    const int counted = m_parts.countdown.TakeQuietMinutes();
    if (counted > 0)
        StepOne(NightEvent(NightEvent::quietMinutes, counted));
}

void CHostEventHandler::AllowQuietMinutes() {
    // Not more than an hour ahead: each is tried on a copy of the night.
    constexpr int kMostQuietMinutes = 60;
    StepQuietMinutes();
    NightInputs in = SettingsInputs();
    // Only while the bar is off the screen (the window says when it comes
    // back or goes). A list of programs or a network threshold is read at
    // every minute: none of those minutes is foreseen.
    int most = 0;
    if (!m_parts.countdown.BarOnScreen() && m_queue.Empty() &&
        KeepAwakeNames(m_settings.m_strKeepAwakePrograms).empty() &&
        m_settings.m_nNetworkBusyKBps <= 0) {
        in.suspendText = m_settings.SuspendText();
        most = QuietMinutes(m_night, in, m_shown, kMostQuietMinutes);
    }
    m_parts.countdown.AllowQuietMinutes(most, in.countUserInput);
}

void CHostEventHandler::StepOne(const NightEvent& event) {
    m_armStarted = false;
    const NightEffects fx = NightStep(m_night, event, Inputs(event));
    CarryOut(fx);
    // The answer to the query that runs: its own step's, or its second
    // look's. A query answered during a wait was answered then.
    if (fx.denyQuery && !event.answered)
        m_deny = true;
    // A thread that took the wake lets the scan go itself.
    if (event.kind == NightEvent::scanned && !m_armStarted)
        m_parts.arming.EndScan();
}

void CHostEventHandler::CarryOut(const NightEffects& fx) {
    m_parts.keepAwake.Apply(fx);
    m_shown.mark = fx.mark;
    m_shown.keepAwake = fx.keepAwake;
    m_parts.countdown.Show(fx);
    for (const std::string& arguments : fx.hostCommands)
        m_ports.processes.StartProcess(HostCommandLine(m_hostDir, arguments));
    if (fx.clearHiddenEdit)
        m_ports.controls.SetItemText(IDC_HIDDEN_EDIT, "");
    if (fx.endTestTimer)
        m_parts.proof.EndTest();
    // What the effects bring about is queued, and stepped once this event's
    // effects have all been carried out.
    if (fx.watchHost) {
        const int32_t process = static_cast<int32_t>(fx.watchHost);
        CNightQueue& queue = m_queue;
        if (!m_ports.hostWatch.Watch(fx.watchHost, [&queue, process] {
                queue.Post(NightEvent(NightEvent::hostEnded, process));
            }))
            m_queue.Keep(NightEvent(NightEvent::hostUnwatched, process));
    }
    if (fx.startHost)
        m_queue.Keep(
            NightEvent(m_ports.processes.StartProcess(QuotedProgram(m_settings.m_strHostProgram))
                           ? NightEvent::hostStarted
                           : NightEvent::hostNotStarted));
    if (fx.armNew) {
        m_armStarted = m_parts.arming.StartArming(fx.arm, fx.armLocalTarget);
        if (!m_armStarted)
            m_queue.Keep(NightEvent(NightEvent::armNotStarted));
    }
    // After the arming: a scan's lines are many, and the arming's own lines
    // come with its news, in a later step. Before a flush, which writes them.
    for (const std::string& line : fx.log)
        m_log.Add(line);
    if (fx.requestSleep && !m_parts.sleep.Start(fx.hibernate, fx.sleepOrigin)) {
        NightEvent none(NightEvent::sleepRequestDone, static_cast<int32_t>(NightEvent::kNoThread));
        none.origin = fx.sleepOrigin;
        m_queue.Keep(none);
    }
    if (fx.flushMs)
        m_log.FlushFile(fx.flushMs);
    if (fx.scan)
        Scan();
    if (fx.waitMs) {
        // The second look, behind the scan: the loop waits for the arming
        // when it comes to it.
        NightEvent then(fx.waitThen);
        then.waitMs = fx.waitMs;
        m_queue.Keep(then);
    }
}

void CHostEventHandler::Scan() {
    NightEvent scanned;
    if (m_parts.arming.BeginScan(scanned))
        m_queue.Keep(scanned);
}

void CHostEventHandler::WaitForArming(NightEvent look) {
    // A scan asked for while the first was under way is served here, so
    // that the sleep finds the latest schedule armed; a few at most.
    constexpr int kMostScans = 3;
    look.armed = m_parts.arming.WaitWhileBusy(look.waitMs);
    if (look.armed && m_parts.arming.ScanPending() && look.scansServed < kMostScans) {
        ++look.scansServed;
        Scan();
    } else {
        look.waitMs = 0;
    }
    // Behind what came meanwhile (the arming's news among it), in order.
    m_queue.Keep(look);
}

NightInputs CHostEventHandler::SettingsInputs() const {
    NightInputs in(m_ports.dateText);
    in.now = m_ports.clock.NowUtc();
    in.nowLocal = m_ports.clock.Now();
    in.countdownMinutes = m_settings.m_nSuspendMinutes;
    in.marginMinutes = m_settings.m_nSleepMarginMinutes;
    in.countUserInput = m_settings.m_bCountUserInput;
    in.hibernate = m_settings.m_bHibernate;
    in.hostProgram = m_settings.m_strHostProgram;
    return in;
}

NightInputs CHostEventHandler::Inputs(const NightEvent& event) {
    NightInputs in = SettingsInputs();
    if (NeedsWakeAbility(m_night, event.kind, in.now)) {
        in.ability = ReadWakeAbility(m_ports.power);
        bool onBattery = false;
        in.onBattery = m_ports.power.ReadOnBattery(onBattery) && onBattery;
    }
    if (LooksForHost(event.kind)) {
        in.host = m_ports.hostLookup.Find();
        in.hostTelling = m_queue.Holds(NightEvent::hostProcess);
    }
    switch (event.kind) {
    case NightEvent::countdownMinute:
        in.busyProgram = BusyProgram();
        in.networkBusyKBps = m_settings.m_nNetworkBusyKBps;
        in.networkRead =
            in.networkBusyKBps > 0 && m_ports.network.ReadNetworkBytes(in.networkBytes);
        in.suspendText = m_settings.SuspendText();
        in.userInput = m_parts.countdown.UserInputInTheLastMinute();
        break;
    case NightEvent::wakeTestArmed:
        in.otherSessionRecording = m_ports.session.OtherSessionRecording();
        in.otherProgramAwake = m_parts.keepAwake.OtherProgramAwake(m_night.appliedState);
        break;
    case NightEvent::countdownArmed:
        in.otherSessionRecording = m_ports.session.OtherSessionRecording();
        in.otherProgramAwake = AsksOtherPrograms(m_night, in.marginMinutes, in.now) &&
                               m_parts.keepAwake.OtherProgramAwake(m_night.appliedState);
        break;
    default:
        break;
    }
    return in;
}

std::string CHostEventHandler::BusyProgram() {
    // Once a minute at most, and only with a list.
    const std::vector<std::string> names = KeepAwakeNames(m_settings.m_strKeepAwakePrograms);
    std::vector<std::string> running;
    if (names.empty() || !m_ports.programs.ReadRunningPrograms(running))
        return std::string();
    return FirstBusyProgram(names, running);
}

std::string CHostEventHandler::WakeTestRefusal() const {
    NightInputs in = SettingsInputs();
    in.otherSessionRecording = m_ports.session.OtherSessionRecording();
    in.otherProgramAwake = m_parts.keepAwake.OtherProgramAwake(m_night.appliedState);
    return WakeTestRefusalNow(m_night, in);
}

void CHostEventHandler::StartWakeTest() {
    Step(m_parts.proof.StartTest());
}

bool CHostEventHandler::NextTickMs(uint32_t& ms) const {
    CDateTime at;
    const CDateTime now = m_ports.clock.NowUtc();
    if (!NextTick(m_night, m_settings.m_nSleepMarginMinutes, now, at))
        return false;
    // A day at the most: the moment is looked at again after every event.
    constexpr int64_t kMaxSeconds = 86400;
    const int64_t seconds = std::min(SecondsFrom(now, at), kMaxSeconds);
    ms = seconds <= 0 ? 0u : static_cast<uint32_t>(seconds * 1000);
    return true;
}
