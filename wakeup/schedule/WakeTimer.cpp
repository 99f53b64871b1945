// The wake timer of CWakeUpDlg: one named, manual-reset waitable timer
// "KelmarTimer" with the resume option, armed from a worker thread that then
// waits on it, so that the log shows when it fired.
#include "wakeup/app/WakeUpDlg.h"
#include "wakeup/app/resource.h"
#include "wakeup/power/WakeTimerSetting.h"
#include "wakeup/schedule/WakeTime.h"

namespace {
const char kTimerName[] = "KelmarTimer";
}

unsigned WakeTimerThreadProc(void* dialog) {
    static_cast<CWakeUpDlg*>(dialog)->ArmWakeTimer();
    return 0;
}

bool CWakeUpDlg::IsNewestArming(uint32_t generation) {
    return generation == m_nTimerGeneration;
}

void CWakeUpDlg::ArmWakeTimer() {
    IWaitableTimers& timers = m_ports.timers;
    const CDateTime target = m_nextStart;
    const CDateTimeSpan span = target - m_ports.clock.Now();
    const std::string targetText = m_ports.dateText.Format(target);

    uint32_t generation = 0;
    {
        std::lock_guard<std::mutex> lock(m_timerLock);
        generation = ++m_nTimerGeneration;
    }

    IWaitableTimers::Handle timer = timers.Open(kTimerName);
    if (timer) {
        // An older thread still waits on the timer: fire it now, which
        // releases that thread (the timer is manual-reset) and this wait.
        timers.Set(timer, -1, true);
        timers.Wait(timer);
    } else {
        timer = timers.Create(kTimerName);
    }
    if (!timer) {
        AddLogLine("Unable to create timer: " + std::to_string(timers.LastError()));
        // Nothing is armed: let the next scan try again.
        m_armedStart = CDateTime();
        ReleaseScan();
        return;
    }

    const int32_t seconds = SpanSeconds(span);
    // An absolute due time: since Windows 8 a relative one does not count
    // the time spent in standby or hibernation, and would never wake the
    // machine. It is converted with the time-zone rules of that moment, so a
    // target beyond a daylight-saving change is still right.
    const int64_t dueTime = m_ports.localTime.LocalToUtcFileTime(WakeMoment(target, seconds));
    AddLogLine("Set timer to: " + FormatSpanText(span) + " from now.");

    bool set = false;
    {
        // Under the lock, so that an older thread that has just woken can
        // no longer cancel the timer after this setting.
        std::lock_guard<std::mutex> lock(m_timerLock);
        set = timers.Set(timer, dueTime, true);
    }
    if (!set) {
        AddLogLine("Unable to set timer to: " + targetText);
        timers.Close(timer);
        m_armedStart = CDateTime();
        ReleaseScan();
        return;
    }
    AddLogLine("Timer set to: " + m_ports.dateText.Format(m_nextStart));
    // The most common reason why a machine armed right does not wake.
    uint32_t onMains = 0, onBattery = 0;
    if (m_ports.power.ReadWakeTimerSetting(onMains, onBattery)) {
        const std::string warning = WakeTimerSettingWarning(onMains, onBattery);
        if (!warning.empty())
            AddLogLine(warning);
    }
    ReleaseScan();

    const uint32_t waited = timers.Wait(timer);
    AddLogLine(
        (waited == IWaitableTimers::kWaitObject0 ? "Timer done for: " : "Timer cancelled for: ") +
        targetText);
    {
        // A newer arming has taken the timer over: its setting stays.
        std::lock_guard<std::mutex> lock(m_timerLock);
        if (IsNewestArming(generation))
            timers.Cancel(timer);
    }
    timers.Close(timer);
    m_ports.controls.SetItemText(IDC_HIDDEN_EDIT, "");
}
