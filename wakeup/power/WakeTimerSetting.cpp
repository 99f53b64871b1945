#include "wakeup/power/WakeTimerSetting.h"

#include "wakeup/platform/Power.h"

namespace {
// "Important wake timers only" lets the system's own timers wake the
// machine, not this one.
bool Blocks(uint32_t value) {
    return value == WAKE_TIMERS_DISABLED || value == WAKE_TIMERS_IMPORTANT_ONLY;
}
} // namespace

std::string WakeTimerSettingWarning(uint32_t onMains, uint32_t onBattery) {
    const bool mains = Blocks(onMains), battery = Blocks(onBattery);
    if (!mains && !battery)
        return std::string();
    const char* where = mains && battery ? "on mains power and on battery"
                        : mains          ? "on mains power"
                                         : "on battery";
    return std::string("Wake timers are not allowed by the active power plan (") + where +
           "): the PC will not wake for the recording. Turn them on in Power Options, Change "
           "plan settings, Change advanced power settings, Sleep, Allow wake timers: Enable";
}
