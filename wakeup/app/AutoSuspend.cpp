#include "wakeup/app/AutoSuspend.h"

#include "wakeup/app/NightRules.h"
#include "wakeup/platform/DialogMessages.h"
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
} // namespace

CAutoSuspend::CAutoSuspend(const Ports& ports, CWakeUpLog& log, const CWakeUpSettings& settings,
                           CNightState& night, CScheduleArming& arming, CKeepAwake& keepAwake,
                           CSleepRequests& sleep, const std::string& hostDir,
                           const std::atomic<bool>& stop)
    : m_ports(ports), m_log(log), m_settings(settings), m_night(night), m_arming(arming),
      m_keepAwake(keepAwake), m_sleep(sleep), m_hostDir(hostDir), m_stop(stop),
      m_ticker(ports.timers, ports.wait), m_threadProc(RunOwnCountdown), m_threadParam(this) {}

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
    m_night.minutesLeft = m_settings.m_nSuspendMinutes;
    ShowCount();
}

void CAutoSuspend::ShowCount() {
    m_ports.progress.SetPos(m_night.minutesLeft);
}

void CAutoSuspend::Reset() {
    ++m_night.resets;
    m_night.minutesLeft = m_settings.m_nSuspendMinutes;
    ShowCount();
}

void CAutoSuspend::Run() {
    while (!m_stop)
        PaceMinute();
}

void CAutoSuspend::PaceMinute() {
    uint32_t timerError = 0;
    m_ticker.WaitOneMinute(timerError);
    if (!m_stop)
        m_ports.messenger.PostToDialog(DialogMessage::kCountdownMinute, timerError, 0);
}

void CAutoSuspend::SendCancelNotice() {
    m_ports.processes.StartProcess(HostCommandLine(m_hostDir, HOST_CANCEL_NOTICE_ARGUMENTS));
}

void CAutoSuspend::OnMinute(uint32_t timerError) {
    if (m_night.sleepRefused)
        return;
    if (timerError && !m_bTickerFailing)
        // Not the wake timer's line: this one only paces the count.
        m_log.Add("Unable to create the auto-suspend timer: " + std::to_string(timerError));
    m_bTickerFailing = timerError != 0;

    CountdownInputs inputs;
    inputs.recording = m_night.recording;
    inputs.paused = m_night.paused;
    inputs.awayFromConsole = m_night.awayFromConsole;
    inputs.lengthMinutes = m_settings.m_nSuspendMinutes;
    inputs.userInput = m_settings.m_bCountUserInput && UserInputInTheLastMinute();
    const CountdownStep step = CountdownMinute(m_night, inputs);
    if (step.cancelNotice)
        SendCancelNotice();
    if (step.reset) {
        Reset();
        return;
    }
    m_night.minutesLeft = step.left;
    ShowCount();
    if (step.warn) {
        m_ports.processes.StartProcess(HostCommandLine(
            m_hostDir, SuspendWarningArguments(m_settings.SuspendText(), step.left)));
        m_night.warned = true;
    }
    if (!step.expired)
        return;
    m_log.Add("Force suspend because timeout has expired");
    bool hibernate = m_settings.m_bHibernate;
    const bool sleep = ReadyToSleep(hibernate);
    if (!sleep && m_night.warned)
        // The host's screen said that the PC goes to sleep: it does not.
        SendCancelNotice();
    m_night.warned = false;
    if (sleep && !m_sleep.Start(hibernate, SleepOrigin::countdown))
        m_log.Add("Suspend failed: no thread for the request");
}

bool CAutoSuspend::UserInputInTheLastMinute() {
    constexpr uint32_t kOneMinuteMs = 60000;
    uint32_t ms = 0;
    return m_ports.session.MillisecondsSinceInput(ms) && ms < kOneMinuteMs;
}

bool CAutoSuspend::ReadyToSleep(bool& hibernate) {
    // Systems since Vista do not ask the dialog before they sleep, so the
    // suspend query's rule is applied here as well. The host's events are
    // handled during the wait for the wake timer: the state after it
    // decides.
    const unsigned resets = m_night.resets;
    m_arming.Scan();
    const bool armed = m_arming.WaitForArming();
    SleepState state = SleepStateOf(m_night, resets, armed);
    // A timer due within moments of the sleep may fire before the machine
    // is down and then wakes nothing; and the request below would sleep
    // over whatever keeps the machine awake, another user's recording too.
    if (const NightWake* soon =
            RecordingWithin(m_night, m_settings.m_nSleepMarginMinutes, m_ports.clock.NowUtc()))
        state.recordingSoon = m_ports.dateText.Format(soon->localStart);
    state.otherSessionRecording = m_ports.session.OtherSessionRecording();
    state.otherProgramAwake = m_keepAwake.OtherProgramAwake();
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
    const bool saidAlready = choice.standsBack && m_night.stoodBackFor == in.recordingStart;
    if (!saidAlready && !choice.logLine.empty())
        m_log.Add(choice.logLine);
    m_night.stoodBackFor = choice.standsBack ? in.recordingStart : std::string();
    hibernate = choice.hibernate;
    return choice.sleep;
}

void CAutoSuspend::SuspendNowAside() {
    if (!m_sleep.Start(m_settings.m_bHibernate, SleepOrigin::button))
        m_log.Add("Suspend failed: no thread for the request");
}

void CAutoSuspend::OnSleepRequestDone(uint32_t error) {
    if (!error)
        return;
    if (!m_night.sleepRefused) {
        m_night.sleepRefused = error;
        m_log.Add("This PC " + CannotSleepText(error) + ": the countdown stops");
    } else {
        m_log.Add("Suspend failed: error " + std::to_string(error));
    }
}

std::string CAutoSuspend::SleepRefusal() const {
    const uint32_t error = m_night.sleepRefused;
    return error ? "this PC " + CannotSleepText(error) : "";
}

bool CAutoSuspend::SetTokenPrivilege(const char* privilege, bool enable) {
    return SetProcessPrivilege(m_ports.power, privilege, enable);
}
