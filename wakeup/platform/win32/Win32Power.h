#pragma once
#include <windows.h>

#include <string>

#include "common/win32/Owners.h"
#include "wakeup/platform/Power.h"

class CWin32Power : public IPower {
public:
    void SetThreadExecutionState(uint32_t flags) override;
    bool SetPowerRequest(const std::string& reason, uint32_t kinds) override;
    uint32_t SetSystemPowerState(bool suspend, bool force) override;
    uint32_t AdjustProcessPrivilege(const char* name, bool enable,
                                    PrivilegeStep& failedAt) override;
    void WriteStandardOutput(const std::string& text) override;
    bool ReadWakeTimerSetting(uint32_t& onMains, uint32_t& onBattery) override;
    bool ReadHibernateAfter(uint32_t& onMains, uint32_t& onBattery) override;
    uint32_t AllowWakeTimers(bool& asked) override;
    bool ReadSleepCapabilities(SleepCapabilities& capabilities) override;
    bool ReadSystemExecutionState(uint32_t& state) override;
    bool ReadOnBattery(bool& onBattery) override;

private:
    static uint32_t AllowWakeTimersHere();

    // The request and its reason, kept while it holds: a reason is given
    // once, at the request's creation.
    CUniqueHandle m_request;
    std::u16string m_requestReason;
};

// The interfaces' counters (GetIfTable2, Windows Vista and later).
class CWin32NetworkCounters : public INetworkCounters {
public:
    bool ReadNetworkBytes(uint64_t& bytes) override;
};

// The processes of every session as the system lists them
// (NtQuerySystemInformation): names only, which needs no access to the
// processes of other sessions.
class CWin32ProcessList : public IProcessList {
public:
    bool ReadRunningPrograms(std::vector<std::string>& names) override;

private:
    // The list's size the last time, with room to grow: one call a minute.
    size_t m_bufferBytes = 64 * 1024;
};

class CWin32ProcessStarter : public IProcessStarter {
public:
    bool StartProcess(const std::string& commandLine) override;
};

class CWin32ProcessWatch : public IProcessWatch {
public:
    ~CWin32ProcessWatch() override { Stop(); }
    bool Watch(uint32_t processId, Ended ended) override;

private:
    static VOID CALLBACK OnEnded(PVOID self, BOOLEAN timedOut);
    // The wait first: its callback may be running, and uses the rest.
    void Stop();

    CUniqueHandle m_process;
    Ended m_ended;
    CUniqueWait m_wait;
};
