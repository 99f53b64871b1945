#include "wakeup/power/Privilege.h"

bool SetProcessPrivilege(IPower& power, const char* name, bool enable) {
    IPower::PrivilegeStep failedAt = IPower::PrivilegeStep::none;
    const uint32_t error = power.AdjustProcessPrivilege(name, enable, failedAt);
    if (error == 0)
        return true;
    const char* call = "AdjustTokenPrivileges";
    if (failedAt == IPower::PrivilegeStep::openToken)
        call = "OpenProcessToken";
    else if (failedAt == IPower::PrivilegeStep::lookup)
        call = "LookupPrivilegeValue";
    power.WriteStandardOutput(std::string(call) + " error: " + std::to_string(error) + "\n");
    return false;
}

uint32_t RequestSleep(IPower& power, bool hibernate) {
    SetProcessPrivilege(power, "SeShutdownPrivilege", true);
    return power.SetSystemPowerState(!hibernate, false);
}
