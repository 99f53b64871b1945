#include "wakeup/app/AutoSuspend.h"

#include "wakeup/app/HostEventHandler.h"
#include "wakeup/app/WakeStatus.h"
#include "wakeup/power/HostCommand.h"
#include "wakeup/power/Privilege.h"
#include "wakeup/power/WakeableSleep.h"

namespace {
unsigned RunOwnCountdown(void* countdown) {
    static_cast<CAutoSuspend*>(countdown)->Run();
    return 0;
}

std::string CannotSleepText(uint32_t error) {
    return "cannot be sent to sleep by a program (error " + std::to_string(error) + ")";
}

unsigned RequestSleepAside(void* countdown) {
    static_cast<CAutoSuspend*>(countdown)->SuspendNow();
    return 0;
}
} // namespace

CAutoSuspend::CAutoSuspend(const Ports& ports, CWakeUpLog& log, const CWakeUpSettings& settings,
                           const CHostState& host, CScheduleArming& arming,
                           const std::string& hostDir, const std::atomic<bool>& stop)
    : m_ports(ports), m_log(log), m_settings(settings), m_host(host), m_arming(arming),
      m_hostDir(hostDir), m_stop(stop), m_ticker(ports.timers, ports.wait),
      m_threadProc(RunOwnCountdown), m_threadParam(this) {}

void CAutoSuspend::UseThreadEntry(IThreadStarter::ThreadProc proc, void* param) {
    m_threadProc = proc;
    m_threadParam = param;
}

void CAutoSuspend::Start() {
    SetupRange(true);
    m_ports.threads.Start(m_threadProc, m_threadParam);
}

void CAutoSuspend::SetupRange(bool withStep) {
    m_ports.progress.SetRange(0, m_settings.m_nSuspendMinutes);
    if (withStep)
        m_ports.progress.SetStep(-1);
    m_ports.progress.SetPos(m_settings.m_nSuspendMinutes);
}

void CAutoSuspend::Reset() {
    ++m_nResets;
    m_ports.progress.SetPos(m_settings.m_nSuspendMinutes);
}

int CAutoSuspend::Position() {
    return m_ports.progress.GetPos();
}

SleepState CAutoSuspend::SleepStateSince(unsigned resetsBefore, bool wakeTimerSet) const {
    SleepState state;
    state.recording = m_host.recording;
    state.paused = m_host.paused;
    state.awaitingRecording = m_host.awaitingRecording;
    state.countReset = m_nResets != resetsBefore;
    state.wakeTimerSet = wakeTimerSet;
    state.awayFromConsole = m_host.awayFromConsole;
    return state;
}

void CAutoSuspend::Run() {
    while (!m_stop)
        RunCycle();
}

void CAutoSuspend::RunCycle() {
    uint32_t timerError = 0;
    m_ticker.WaitOneMinute(timerError);
    if (m_stop || m_sleepRefused)
        return;
    if (timerError && !m_bTickerFailing)
        // Not the wake timer's line: this one only paces the count.
        m_log.Add("Unable to create the auto-suspend timer: " + std::to_string(timerError));
    m_bTickerFailing = timerError != 0;

    CountdownInputs inputs;
    inputs.recording = m_host.recording;
    inputs.paused = m_host.paused;
    inputs.awayFromConsole = m_host.awayFromConsole;
    inputs.lengthMinutes = m_settings.m_nSuspendMinutes;
    inputs.userInput = m_settings.m_bCountUserInput && UserInputInTheLastMinute();
    switch (PhaseBeforeStep(inputs)) {
    case CountdownPhase::standsStill:
        return;
    case CountdownPhase::userActive:
        // The user was told the machine goes to sleep: tell them it does not.
        if (IsWarningPosition(m_ports.progress.GetPos()))
            m_ports.processes.StartProcess(
                HostCommandLine(m_hostDir, HOST_CANCEL_NOTICE_ARGUMENTS));
        Reset();
        return;
    default:
        break;
    }
    m_ports.progress.StepIt();
    // Read anew for each test: the dialog's thread may put the count back
    // to full at any moment.
    const int left = m_ports.progress.GetPos();
    if (PhaseAfterStep(left) == CountdownPhase::warning) {
        m_ports.processes.StartProcess(
            HostCommandLine(m_hostDir, SuspendWarningArguments(m_settings.SuspendText(), left)));
        m_bWarned = true;
    }
    if (PhaseAfterStep(m_ports.progress.GetPos()) != CountdownPhase::expired)
        return;
    m_log.Add("Force suspend because timeout has expired");
    m_ports.progress.SetPos(m_settings.m_nSuspendMinutes);
    bool hibernate = m_settings.m_bHibernate;
    if (ReadyToSleep(hibernate))
        SuspendNow(hibernate);
    else if (m_bWarned)
        // The host's screen said that the PC goes to sleep: it does not.
        m_ports.processes.StartProcess(HostCommandLine(m_hostDir, HOST_CANCEL_NOTICE_ARGUMENTS));
    m_bWarned = false;
}

bool CAutoSuspend::UserInputInTheLastMinute() {
    constexpr uint32_t kOneMinuteMs = 60000;
    uint32_t ms = 0;
    return m_ports.session.MillisecondsSinceInput(ms) && ms < kOneMinuteMs;
}

bool CAutoSuspend::ReadyToSleep(bool& hibernate) {
    // Systems since Vista do not ask the dialog before they sleep, so the
    // suspend query's rule is applied here as well. The dialog's thread
    // handles the host's events during the wait for the wake timer: the
    // state after it decides.
    const unsigned resets = m_nResets;
    const bool armed = m_arming.ScanAndWaitFromWorker(m_stop);
    if (m_stop)
        return false;
    SleepState state = SleepStateSince(resets, armed);
    // A timer due within moments of the sleep may fire before the machine
    // is down and then wakes nothing; and the request below would sleep
    // over whatever keeps the machine awake, another user's recording too.
    state.recordingSoon = m_arming.RecordingWithin(m_settings.m_nSleepMarginMinutes);
    state.otherSessionRecording = m_ports.session.OtherSessionRecording();
    state.otherProgramAwake =
        m_ports.messenger.SendToDialog(CHostEventHandler::kOtherProgramsMessage, 0, 0) &&
        m_host.otherProgramAwake;
    const SleepDecision decision = DecideSleep(SleepAsker::countdown, state);
    if (!decision.logLine.empty())
        m_log.Add(decision.logLine);
    return decision.sleep && WakeableSleepNow(hibernate);
}

bool CAutoSuspend::WakeableSleepNow(bool& hibernate) {
    WakeableSleepInputs in;
    in.hibernate = hibernate;
    if (!m_arming.ArmedRecording(in.recordingStart, in.minutesToStart))
        return true;
    in.ability = ReadWakeAbility(m_ports.power);
    bool onBattery = false;
    in.onBattery = m_ports.power.ReadOnBattery(onBattery) && onBattery;
    const WakeableSleep choice = ChooseWakeableSleep(in);
    const bool saidAlready = choice.standsBack && m_stoodBackFor == in.recordingStart;
    if (!saidAlready && !choice.logLine.empty())
        m_log.Add(choice.logLine);
    m_stoodBackFor = choice.standsBack ? in.recordingStart : std::string();
    hibernate = choice.hibernate;
    return choice.sleep;
}

void CAutoSuspend::SuspendNow(bool hibernate) {
    const uint32_t error = RequestSleep(m_ports.power, hibernate);
    if (!error)
        return;
    uint32_t none = 0;
    if (m_sleepRefused.compare_exchange_strong(none, error))
        m_log.Add("This PC " + CannotSleepText(error) + ": the countdown stops");
    else
        m_log.Add("Suspend failed: error " + std::to_string(error));
}

void CAutoSuspend::SuspendNowAside() {
    if (!m_ports.threads.Start(RequestSleepAside, this))
        m_log.Add("Suspend failed: no thread for the request");
}

std::string CAutoSuspend::SleepRefusal() const {
    const uint32_t error = m_sleepRefused;
    return error ? "this PC " + CannotSleepText(error) : "";
}

bool CAutoSuspend::SetTokenPrivilege(const char* privilege, bool enable) {
    return SetProcessPrivilege(m_ports.power, privilege, enable);
}
