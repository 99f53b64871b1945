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

// A modern-standby PC that hibernates for a program's request, from which
// its clock, as stated, cannot wake it.
bool ModernStandbyHibernates(const WakeAbility& ability) {
    const SleepCapabilities& caps = ability.capabilities;
    return ability.capabilitiesRead && caps.modernStandby && HibernationPossible(caps) &&
           caps.rtcWake > 0 && caps.rtcWake < POWER_STATE_HIBERNATE;
}

// The plan blocks wake timers on the power source in use.
bool TimersBlocked(const WakeableSleepInputs& in) {
    const WakeAbility& ability = in.ability;
    return ability.settingRead &&
           WakeTimersBlocked(in.onBattery ? ability.onBattery : ability.onMains);
}

// Why the timer could not wake the PC from this sleep; empty when it could.
// Only what the system states counts: a state it does not list is one the
// request fails to enter, not one that sleeps past the recording.
std::string CannotWakeReason(const WakeableSleepInputs& in, bool hibernate) {
    const WakeAbility& ability = in.ability;
    if (ability.settingRead) {
        const uint32_t setting = in.onBattery ? ability.onBattery : ability.onMains;
        if (WakeTimersBlocked(setting))
            return std::string(in.onBattery ? "on battery" : "on mains power") +
                   (setting == WAKE_TIMERS_DISABLED
                        ? ", the power plan does not allow wake timers"
                        : ", the power plan allows important wake timers only");
    }
    if (!ability.capabilitiesRead)
        return std::string();
    const SleepCapabilities& caps = ability.capabilities;
    const bool hibernationUnwakeable =
        HibernationPossible(caps) && caps.rtcWake < POWER_STATE_HIBERNATE;
    // Where the PC hibernates without being asked to (a program's sleep on
    // a modern-standby PC that can hibernate, a long standby), only a
    // stated clock counts: an unknown one says nothing.
    const bool statedUnwakeable = hibernationUnwakeable && caps.rtcWake > 0;
    if ((hibernate && hibernationUnwakeable) || (caps.modernStandby && statedUnwakeable))
        return "a timer cannot wake this PC from hibernation";
    if (hibernate)
        return std::string();
    // Modern standby is a low-power idle that timers end, whatever S-states
    // the PC lists.
    const int standby = StandbyState(caps);
    if (!caps.modernStandby && standby && caps.rtcWake < standby)
        return "a timer cannot wake this PC from standby";
    // A standby longer than the plan's "Hibernate after" ends in a
    // hibernation, before a recording further off than that.
    const uint32_t after =
        in.onBattery ? ability.hibernateAfterBattery : ability.hibernateAfterMains;
    if (ability.hibernateAfterRead && after > 0 && statedUnwakeable &&
        in.minutesToStart * 60 > int64_t{after})
        return "the PC hibernates after " + std::to_string(after / 60) +
               " minutes of standby, and a timer cannot wake it from hibernation";
    return std::string();
}
} // namespace

bool HibernationPossible(const SleepCapabilities& capabilities) {
    return capabilities.hibernate && capabilities.hiberFile;
}

WakeableSleep ChooseWakeableSleep(const WakeableSleepInputs& in) {
    WakeableSleep out;
    out.hibernate = in.hibernate;
    if (in.recordingStart.empty())
        return out;
    const std::string reason = CannotWakeReason(in, out.hibernate);
    if (reason.empty())
        return out;
    // Hibernation the timer cannot undo, standby it can: this sleep is a
    // standby.
    if (out.hibernate && CannotWakeReason(in, false).empty()) {
        out.hibernate = false;
        out.logLine = "Suspending instead of hibernating: a timer cannot wake this PC from "
                      "hibernation for the recording at " +
                      in.recordingStart;
        return out;
    }
    // The PC is kept awake only for a recording that is near: left awake
    // for longer, a laptop would run flat and a desktop would never sleep
    // while a daily recording is armed.
    // The system's own idle on a modern-standby PC is a low-power idle that
    // timers end: the PC is left to it, however far the recording.
    const bool leftToIdle = ModernStandbyHibernates(in.ability) && !TimersBlocked(in);
    const bool near = in.minutesToStart <= kStandBackMinutes;
    if (!near && !leftToIdle) {
        out.logLine = std::string(in.onBattery ? "Going to sleep on battery" : "Going to sleep") +
                      " although the PC could not wake for the recording at " + in.recordingStart +
                      " (" + reason + "): it will be missed unless the PC is woken by hand" +
                      (in.onBattery ? " or plugged in" : "");
        return out;
    }
    out.sleep = false;
    out.standsBack = true;
    out.holds = !leftToIdle;
    out.reason = reason;
    out.logLine = "Suspend cancelled because the PC could not wake for the recording at " +
                  in.recordingStart + ": " + reason;
    return out;
}
