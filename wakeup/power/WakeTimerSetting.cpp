#include "wakeup/power/WakeTimerSetting.h"

#include "wakeup/platform/Power.h"

bool WakeTimersBlocked(uint32_t value) {
    return value == WAKE_TIMERS_DISABLED || value == WAKE_TIMERS_IMPORTANT_ONLY;
}

std::string TimerWakeableStates(const SleepCapabilities& capabilities) {
    // The clock can wake the machine from a state that is no deeper than
    // the one it names.
    std::string states;
    const auto add = [&](const char* name) {
        states += (states.empty() ? "" : ", ") + std::string(name);
    };
    static const char* const kStandby[] = {"S1", "S2", "S3"};
    for (int s = 0; s < 3; ++s)
        if (capabilities.standby[s] && POWER_STATE_SLEEPING1 + s <= capabilities.rtcWake)
            add(kStandby[s]);
    if (capabilities.hibernate && POWER_STATE_HIBERNATE <= capabilities.rtcWake)
        add("hibernation");
    return states;
}

std::string WakeTimerSettingWarning(uint32_t onMains, uint32_t onBattery) {
    const bool mains = WakeTimersBlocked(onMains), battery = WakeTimersBlocked(onBattery);
    if (!mains && !battery)
        return std::string();
    const char* where = mains && battery ? "on mains power and on battery"
                        : mains          ? "on mains power"
                                         : "on battery";
    return std::string("Wake timers are not allowed by the active power plan (") + where +
           "): the PC will not wake for the recording. Turn them on in Power Options, Change "
           "plan settings, Change advanced power settings, Sleep, Allow wake timers: Enable";
}

std::string SleepCapabilityWarning(const SleepCapabilities& capabilities) {
    // Modern standby keeps the machine in a low-power idle that timers end.
    if (capabilities.modernStandby || !TimerWakeableStates(capabilities).empty())
        return std::string();
    return "This PC has no sleep state that a timer can wake it from: it will not wake for a "
           "recording. Let it stay on, or allow wake by RTC alarm in its BIOS or UEFI setup";
}
