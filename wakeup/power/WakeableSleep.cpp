#include "wakeup/power/WakeableSleep.h"

#include "wakeup/power/WakeTimerSetting.h"

namespace {
// The standby state a suspend enters (the deepest the PC has), as a
// SYSTEM_POWER_STATE value; 0 when it has none.
int StandbyState(const SleepCapabilities& capabilities) {
    for (int s = 2; s >= 0; --s)
        if (capabilities.standby[s])
            return POWER_STATE_SLEEPING1 + s;
    return 0;
}

// Why the timer could not wake the PC from this sleep; empty when it could.
// Only what the system states counts: a state it does not list is one the
// request fails to enter, not one that sleeps past the recording.
std::string CannotWakeReason(const WakeAbility& ability, bool onBattery, bool hibernate) {
    if (ability.settingRead) {
        const uint32_t setting = onBattery ? ability.onBattery : ability.onMains;
        if (WakeTimersBlocked(setting))
            return std::string(onBattery ? "on battery" : "on mains power") +
                   (setting == WAKE_TIMERS_DISABLED
                        ? ", the power plan does not allow wake timers"
                        : ", the power plan allows important wake timers only");
    }
    if (!ability.capabilitiesRead || ability.capabilities.modernStandby)
        return std::string();
    const SleepCapabilities& caps = ability.capabilities;
    if (hibernate && caps.hibernate && caps.rtcWake < POWER_STATE_HIBERNATE)
        return "a timer cannot wake this PC from hibernation";
    const int standby = StandbyState(caps);
    if (!hibernate && standby && caps.rtcWake < standby)
        return "a timer cannot wake this PC from standby";
    return std::string();
}
} // namespace

WakeableSleep ChooseWakeableSleep(const WakeableSleepInputs& in) {
    WakeableSleep out;
    out.hibernate = in.hibernate;
    if (in.recordingStart.empty())
        return out;
    std::string reason = CannotWakeReason(in.ability, in.onBattery, in.hibernate);
    if (reason.empty())
        return out;
    // Hibernation the timer cannot undo, standby it can: this sleep is a
    // standby.
    if (in.hibernate && CannotWakeReason(in.ability, in.onBattery, false).empty()) {
        out.hibernate = false;
        out.logLine = "Suspending instead of hibernating: a timer cannot wake this PC from "
                      "hibernation for the recording at " +
                      in.recordingStart;
        return out;
    }
    if (in.onBattery && in.minutesToStart > kBatteryStandBackMinutes) {
        out.logLine = "Going to sleep on battery although the PC could not wake for the "
                      "recording at " +
                      in.recordingStart + " (" + reason +
                      "): it will be missed unless the PC is woken by hand or plugged in";
        return out;
    }
    out.sleep = false;
    out.standsBack = true;
    out.logLine = "Suspend cancelled because the PC could not wake for the recording at " +
                  in.recordingStart + ": " + reason;
    return out;
}
