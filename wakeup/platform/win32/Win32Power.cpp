#include "wakeup/platform/win32/Win32Power.h"

#include <windows.h>

#include <shellapi.h>
#include <winternl.h>
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>
#include <netioapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "common/win32/Owners.h"
#include "wakeup/platform/win32/Win32CodePage.h"
#include "wakeup/platform/win32/SystemLibrary.h"
#include "wakeup/platform/win32/Win32Privileges.h"

namespace {
// The sleep settings group and its "Allow wake timers" setting.
const GUID kSleepSubgroup = {
    0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
const GUID kAllowWakeTimers = {
    0xbd3b718a, 0x0680, 0x4d9d, {0x8a, 0xb2, 0xe1, 0xd2, 0xb4, 0xac, 0x80, 0x6d}};
// "Hibernate after", in seconds of standby.
const GUID kHibernateAfter = {
    0x9d7815a6, 0x7ee4, 0x497e, {0x88, 0x88, 0x51, 0x5a, 0x05, 0xf0, 0x23, 0x64}};

using GetActiveSchemeFn = DWORD(WINAPI*)(HKEY, GUID**);
using GetPwrCapabilitiesFn = BOOLEAN(WINAPI*)(SYSTEM_POWER_CAPABILITIES*);
using ReadValueIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, LPDWORD);
using WriteValueIndexFn = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, DWORD);
using SetActiveSchemeFn = DWORD(WINAPI*)(HKEY, const GUID*);
using CallNtPowerInformationFn = LONG(WINAPI*)(int, PVOID, ULONG, PVOID, ULONG);
// POWER_INFORMATION_LEVEL's SystemExecutionState.
constexpr int kSystemExecutionState = 16;

// The power plans' library, loaded once and kept. The wake ability is read
// at every arming, three reads at a time, and under Wine loading and
// freeing the library each time cost more than the reads: milliseconds on
// the way from a changed schedule to its armed timer. Null where the system
// has none (before Vista).
HMODULE PowerLibrary() {
    static const HMODULE module = LoadSystemLibrary(L"powrprof.dll");
    return module;
}

} // namespace

void CWin32Power::SetThreadExecutionState(uint32_t flags) {
    ::SetThreadExecutionState(static_cast<EXECUTION_STATE>(flags));
}

namespace {
// Power requests came with Windows 7: looked up, so that the program still
// starts where they are missing (and keeps the execution state there).
template <class Function> Function Kernel32(const char* name) {
    return ProcAddress<Function>(GetModuleHandleA("kernel32.dll"), name);
}
using CreateRequestFunction = HANDLE(WINAPI*)(PREASON_CONTEXT);
using RequestFunction = BOOL(WINAPI*)(HANDLE, POWER_REQUEST_TYPE);

struct RequestKind {
    uint32_t flag;
    POWER_REQUEST_TYPE type;
};
const RequestKind kRequestKinds[] = {{ES_FLAG_SYSTEM_REQUIRED, PowerRequestSystemRequired},
                                     {ES_FLAG_DISPLAY_REQUIRED, PowerRequestDisplayRequired},
                                     {ES_FLAG_AWAYMODE_REQUIRED, PowerRequestAwayModeRequired}};
} // namespace

bool CWin32Power::SetPowerRequest(const std::string& reason, uint32_t kinds) {
    static const auto create = Kernel32<CreateRequestFunction>("PowerCreateRequest");
    static const auto set = Kernel32<RequestFunction>("PowerSetRequest");
    static const auto clear = Kernel32<RequestFunction>("PowerClearRequest");
    if (!create || !set || !clear)
        return false;
    const std::u16string text = CWin32CodePage().ToUtf16(reason);
    // A reason is given once, at the request's creation: another reason is
    // another request.
    if (m_request && (kinds == 0 || text != m_requestReason)) {
        for (const RequestKind& kind : kRequestKinds)
            clear(m_request.Get(), kind.type);
        m_request.Reset();
    }
    if (kinds == 0)
        return true;
    if (!m_request) {
        m_requestReason = text;
        REASON_CONTEXT context{};
        context.Version = POWER_REQUEST_CONTEXT_VERSION;
        context.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
        context.Reason.SimpleReasonString = WideOf(m_requestReason);
        m_request.Reset(create(&context));
        if (!m_request)
            return false;
    }
    bool held = true;
    for (const RequestKind& kind : kRequestKinds)
        if (kinds & kind.flag)
            held = set(m_request.Get(), kind.type) && held;
        else
            clear(m_request.Get(), kind.type);
    if (!held) {
        for (const RequestKind& kind : kRequestKinds)
            clear(m_request.Get(), kind.type);
        m_request.Reset();
    }
    return held;
}

uint32_t CWin32Power::SetSystemPowerState(bool suspend, bool force) {
    if (::SetSystemPowerState(suspend ? TRUE : FALSE, force ? TRUE : FALSE))
        return 0;
    const DWORD error = GetLastError();
    return error ? error : ERROR_GEN_FAILURE;
}

uint32_t CWin32Power::AdjustProcessPrivilege(const char* name, bool enable,
                                             PrivilegeStep& failedAt) {
    return AdjustProcessTokenPrivilege(name, enable ? TRUE : FALSE, &failedAt);
}

void CWin32Power::WriteStandardOutput(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

namespace {
// The active plan's value of a sleep setting on mains power and on battery.
bool ReadActiveSleepSetting(const GUID& setting, uint32_t& onMains, uint32_t& onBattery) {
    // Looked up at run time: power plans exist since Vista only.
    const HMODULE module = PowerLibrary();
    if (!module)
        return false;
    auto getActive = ProcAddress<GetActiveSchemeFn>(module, "PowerGetActiveScheme");
    auto readAc = ProcAddress<ReadValueIndexFn>(module, "PowerReadACValueIndex");
    auto readDc = ProcAddress<ReadValueIndexFn>(module, "PowerReadDCValueIndex");
    GUID* scheme = nullptr;
    if (!getActive || !readAc || !readDc || getActive(nullptr, &scheme) != ERROR_SUCCESS || !scheme)
        return false;
    const CUniqueLocalMemory schemeMemory(scheme);
    DWORD ac = 0, dc = 0;
    if (readAc(nullptr, scheme, &kSleepSubgroup, &setting, &ac) != ERROR_SUCCESS ||
        readDc(nullptr, scheme, &kSleepSubgroup, &setting, &dc) != ERROR_SUCCESS)
        return false;
    onMains = ac;
    onBattery = dc;
    return true;
}
} // namespace

bool CWin32Power::ReadWakeTimerSetting(uint32_t& onMains, uint32_t& onBattery) {
    return ReadActiveSleepSetting(kAllowWakeTimers, onMains, onBattery);
}

bool CWin32Power::ReadHibernateAfter(uint32_t& onMains, uint32_t& onBattery) {
    return ReadActiveSleepSetting(kHibernateAfter, onMains, onBattery);
}

namespace {
// The same change as an administrator, by the system's own tool; Windows
// asks the user for consent.
uint32_t AllowWakeTimersElevated() {
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOASYNC;
    run.lpVerb = L"runas";
    run.lpFile = L"cmd.exe";
    run.lpParameters = L"/c powercfg /setacvalueindex SCHEME_CURRENT SUB_SLEEP RTCWAKE 1 && "
                       L"powercfg /setdcvalueindex SCHEME_CURRENT SUB_SLEEP RTCWAKE 1 && "
                       L"powercfg /setactive SCHEME_CURRENT";
    run.nShow = SW_HIDE;
    // Returns once the command has started (SEE_MASK_NOASYNC).
    const CBorrowedLibrary shell(L"shell32.dll");
    const auto execute = shell.Get<decltype(&ShellExecuteExW)>("ShellExecuteExW");
    if (!execute)
        return GetLastError();
    return execute(&run) ? 0 : GetLastError();
}
} // namespace

uint32_t CWin32Power::AllowWakeTimers(bool& asked) {
    asked = false;
    const uint32_t error = AllowWakeTimersHere();
    if (error != ERROR_ACCESS_DENIED)
        return error;
    asked = true;
    return AllowWakeTimersElevated();
}

uint32_t CWin32Power::AllowWakeTimersHere() {
    const HMODULE module = PowerLibrary();
    if (!module)
        return GetLastError();
    auto getActive = ProcAddress<GetActiveSchemeFn>(module, "PowerGetActiveScheme");
    auto writeAc = ProcAddress<WriteValueIndexFn>(module, "PowerWriteACValueIndex");
    auto writeDc = ProcAddress<WriteValueIndexFn>(module, "PowerWriteDCValueIndex");
    auto setActive = ProcAddress<SetActiveSchemeFn>(module, "PowerSetActiveScheme");
    if (!getActive || !writeAc || !writeDc || !setActive)
        return ERROR_PROC_NOT_FOUND;
    GUID* scheme = nullptr;
    if (const DWORD error = getActive(nullptr, &scheme))
        return error;
    const CUniqueLocalMemory schemeMemory(scheme);
    if (const DWORD error = writeAc(nullptr, scheme, &kSleepSubgroup, &kAllowWakeTimers, 1))
        return error;
    if (const DWORD error = writeDc(nullptr, scheme, &kSleepSubgroup, &kAllowWakeTimers, 1))
        return error;
    // The active plan's values take effect once it is made active again.
    return setActive(nullptr, scheme);
}

bool CWin32Power::ReadSleepCapabilities(SleepCapabilities& capabilities) {
    const HMODULE module = PowerLibrary();
    if (!module)
        return false;
    auto read = ProcAddress<GetPwrCapabilitiesFn>(module, "GetPwrCapabilities");
    SYSTEM_POWER_CAPABILITIES system{};
    if (!read || !read(&system))
        return false;
    capabilities.standby[0] = system.SystemS1 != FALSE;
    capabilities.standby[1] = system.SystemS2 != FALSE;
    capabilities.standby[2] = system.SystemS3 != FALSE;
    capabilities.hibernate = system.SystemS4 != FALSE;
    capabilities.hiberFile = system.HiberFilePresent != FALSE;
    // MinGW's headers predate the field: Hiberboot, WakeAlarmPresent and
    // AoAc follow FastSystemS4 where they name three spare bytes.
    capabilities.modernStandby = system.spare2[2] != FALSE;
    capabilities.rtcWake = static_cast<int>(system.RtcWake);
    return true;
}

bool CWin32Power::ReadSystemExecutionState(uint32_t& state) {
    // The state of the whole system, every session's threads included.
    const HMODULE module = PowerLibrary();
    if (!module)
        return false;
    auto call = ProcAddress<CallNtPowerInformationFn>(module, "CallNtPowerInformation");
    ULONG flags = 0;
    if (!call || call(kSystemExecutionState, nullptr, 0, &flags, sizeof flags) != 0)
        return false;
    state = flags;
    return true;
}

bool CWin32Power::ReadOnBattery(bool& onBattery) {
    SYSTEM_POWER_STATUS status{};
    // ACLineStatus: 0 offline, 1 online, 255 unknown.
    if (!GetSystemPowerStatus(&status) || status.ACLineStatus > 1)
        return false;
    onBattery = status.ACLineStatus == 0;
    return true;
}

bool CWin32NetworkCounters::ReadNetworkBytes(uint64_t& bytes) {
    bytes = 0;
    using GetTableFunction = DWORD(WINAPI*)(MIB_IF_TABLE2**);
    using FreeTableFunction = void(WINAPI*)(PVOID);
    static const auto getTable = SystemFunction<GetTableFunction>(L"iphlpapi.dll", "GetIfTable2");
    static const auto freeTable =
        SystemFunction<FreeTableFunction>(L"iphlpapi.dll", "FreeMibTable");
    MIB_IF_TABLE2* table = nullptr;
    if (!getTable || !freeTable || getTable(&table) != NO_ERROR || !table)
        return false;
    for (ULONG i = 0; i < table->NumEntries; ++i) {
        const MIB_IF_ROW2& row = table->Table[i];
        if (row.Type != IF_TYPE_SOFTWARE_LOOPBACK)
            bytes += row.InOctets + row.OutOctets;
    }
    freeTable(table);
    return true;
}

namespace {
using QuerySystemFunction = LONG(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
} // namespace

bool CWin32ProcessList::ReadRunningPrograms(std::vector<std::string>& names) {
    names.clear();
    // One call for every process of every session: the Tool Help snapshot
    // asks the same, once for its size and again, and copies it; under Wine
    // it costs eight times as much.
    static const auto query =
        ProcAddress<QuerySystemFunction>(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
    if (!query)
        return false;
    std::vector<unsigned char> buffer;
    LONG status = kInfoLengthMismatch;
    // Processes may start between the calls: a few tries, each with room
    // for more than the system asked for.
    for (int tries = 0; tries < 4 && status == kInfoLengthMismatch; ++tries) {
        buffer.resize(m_bufferBytes);
        ULONG needed = 0;
        status = query(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                       &needed);
        if (status == kInfoLengthMismatch)
            m_bufferBytes = std::max<size_t>(m_bufferBytes * 2, needed + needed / 4);
    }
    if (status != 0)
        return false;
    // The entries are chained by offsets; none is read past the buffer.
    size_t at = 0;
    for (;;) {
        if (buffer.size() - at < sizeof(SYSTEM_PROCESS_INFORMATION))
            return false;
        SYSTEM_PROCESS_INFORMATION entry;
        std::memcpy(&entry, buffer.data() + at, sizeof entry);
        const UNICODE_STRING& image = entry.ImageName;
        const auto* text = reinterpret_cast<const unsigned char*>(image.Buffer);
        if (text && text >= buffer.data() && image.Length <= buffer.data() + buffer.size() - text) {
            std::u16string wide(image.Length / sizeof(char16_t), u'\0');
            std::memcpy(&wide[0], text, wide.size() * sizeof(char16_t));
            names.push_back(CWin32CodePage().FromUtf16(wide.data(), wide.size()));
        }
        if (entry.NextEntryOffset == 0)
            return true;
        if (entry.NextEntryOffset > buffer.size() - at)
            return false;
        at += entry.NextEntryOffset;
    }
}

bool CWin32ProcessStarter::StartProcess(const std::string& commandLine) {
    // The system may write into the command line.
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &process))
        return false;
    // Not waited for: both handles go at once.
    CUniqueHandle thread(process.hThread), child(process.hProcess);
    return true;
}

bool CWin32ProcessWatch::Watch(uint32_t processId, Ended ended) {
    Stop();
    // SYNCHRONIZE is all a wait needs, and a process of the same user grants
    // it.
    m_process.Reset(OpenProcess(SYNCHRONIZE, FALSE, processId));
    if (!m_process)
        return false;
    m_ended = std::move(ended);
    if (RegisterWaitForSingleObject(m_wait.Put(), m_process.Get(), OnEnded, this, INFINITE,
                                    WT_EXECUTEONLYONCE))
        return true;
    m_process.Reset();
    return false;
}

VOID CALLBACK CWin32ProcessWatch::OnEnded(PVOID self, BOOLEAN) {
    static_cast<CWin32ProcessWatch*>(self)->m_ended();
}

void CWin32ProcessWatch::Stop() {
    m_wait.Reset();
    m_process.Reset();
    m_ended = nullptr;
}
