#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Execution state flags of the calling thread.
constexpr uint32_t ES_FLAG_SYSTEM_REQUIRED = 0x00000001;
constexpr uint32_t ES_FLAG_DISPLAY_REQUIRED = 0x00000002;
constexpr uint32_t ES_FLAG_AWAYMODE_REQUIRED = 0x00000040;
constexpr uint32_t ES_FLAG_CONTINUOUS = 0x80000000;

// The values of the power plan's "Allow wake timers" setting.
constexpr uint32_t WAKE_TIMERS_DISABLED = 0;
constexpr uint32_t WAKE_TIMERS_ENABLED = 1;
constexpr uint32_t WAKE_TIMERS_IMPORTANT_ONLY = 2;

// The system's sleep states and the deepest one its clock can wake it from
// (values of SYSTEM_POWER_STATE: 1 working, 2 to 4 standby S1 to S3, 5
// hibernation, 0 when unknown).
constexpr int POWER_STATE_SLEEPING1 = 2;
constexpr int POWER_STATE_HIBERNATE = 5;
struct SleepCapabilities {
    bool standby[3] = {false, false, false}; // S1, S2, S3
    bool hibernate = false;                  // S4
    bool hiberFile = false;                  // the hibernation file is there
    bool modernStandby = false;              // low-power idle instead of S3
    int rtcWake = 0;
};

// The system's power management as the scheduler uses it: keeping the
// machine awake, asking it to sleep, the shutdown privilege that the request
// needs, and the active power plan's wake-timer setting.
class IPower {
public:
    // Where enabling a privilege failed.
    enum class PrivilegeStep { none, openToken, lookup, adjust };

    virtual ~IPower() = default;
    // Holds for the calling thread until it is set again.
    virtual void SetThreadExecutionState(uint32_t flags) = 0;
    // Holds what `kinds` names (ES_FLAG_SYSTEM_REQUIRED, _DISPLAY_ and
    // _AWAYMODE_) by a power request whose reason Windows' tools show
    // ("powercfg /requests"), replacing the one before; 0 lets go. False
    // where the system has none (before Windows 7) or refused it: nothing
    // is held by it then.
    virtual bool SetPowerRequest(const std::string& reason, uint32_t kinds) = 0;
    // suspend false asks for hibernation; without force the system asks the
    // applications first. Returns after the machine resumed or was refused:
    // 0, or the system's error code when it did not sleep.
    virtual uint32_t SetSystemPowerState(bool suspend, bool force) = 0;
    // Enables or disables one privilege of the process's token by name. 0 on
    // success; otherwise the system's error code, and failedAt tells which
    // step failed.
    virtual uint32_t AdjustProcessPrivilege(const char* name, bool enable,
                                            PrivilegeStep& failedAt) = 0;
    // The process's standard output (a windowed program's is often nowhere).
    virtual void WriteStandardOutput(const std::string& text) = 0;
    // The active plan's "Allow wake timers" on mains power and on battery;
    // false when the setting cannot be read.
    virtual bool ReadWakeTimerSetting(uint32_t& onMains, uint32_t& onBattery) = 0;
    // The active plan's "Hibernate after" in seconds of standby (0: never),
    // on mains power and on battery; false when it cannot be read.
    virtual bool ReadHibernateAfter(uint32_t& onMains, uint32_t& onBattery) = 0;
    // Sets the active plan's "Allow wake timers" to Enable on mains power
    // and on battery: 0, or the system's error. Where Windows lets only an
    // administrator change it, the change is asked for elevated (Windows
    // asks the user) and not waited for: asked is then set, and 0 returned.
    virtual uint32_t AllowWakeTimers(bool& asked) = 0;
    // The machine's sleep states; false when they cannot be read.
    virtual bool ReadSleepCapabilities(SleepCapabilities& capabilities) = 0;
    // What every thread of every session asks of the system now, the
    // ES_FLAG_ values combined; false when it cannot be read.
    virtual bool ReadSystemExecutionState(uint32_t& state) = 0;
    // Whether the machine runs on battery now; false when the system cannot
    // tell.
    virtual bool ReadOnBattery(bool& onBattery) = 0;
};

// Starts a program by its command line and does not wait for it.
class IProcessStarter {
public:
    virtual ~IProcessStarter() = default;
    // False when it could not be started.
    virtual bool StartProcess(const std::string& commandLine) = 0;
};

// The bytes received and sent over the PC's network interfaces since they
// started, summed, the loopback left out.
class INetworkCounters {
public:
    virtual ~INetworkCounters() = default;
    // False when the system gave no counters.
    virtual bool ReadNetworkBytes(uint64_t& bytes) = 0;
};

// The programs that run now, in every session.
class IProcessList {
public:
    virtual ~IProcessList() = default;
    // The executable file's name of each process ("comskip.exe"); false
    // when the system gave no list.
    virtual bool ReadRunningPrograms(std::vector<std::string>& names) = 0;
};

// Watches one process for its end, however it ends (a crash too).
class IProcessWatch {
public:
    using Ended = std::function<void()>;
    virtual ~IProcessWatch() = default;
    // ended runs once, on another thread, when the process has ended (at
    // once when it had). A new watch ends the one before it. False when the
    // process cannot be watched (gone, or no access): nothing runs then.
    virtual bool Watch(uint32_t processId, Ended ended) = 0;
};
