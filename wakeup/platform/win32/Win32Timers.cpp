#include "wakeup/platform/win32/Win32Timers.h"

#include <cstring>

#include "wakeup/platform/win32/SystemLibrary.h"
#include "wakeup/platform/win32/Win32CodePage.h"

#include <windows.h>

#include "common/win32/Owners.h"
#include "wakeup/platform/ZoneRules.h"

namespace {
HANDLE ToHandle(IWaitableTimers::Handle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
} // namespace

IWaitableTimers::Handle CWin32WaitableTimers::Open(const char* name) {
    return reinterpret_cast<Handle>(OpenWaitableTimerA(TIMER_ALL_ACCESS, TRUE, name));
}

IWaitableTimers::Handle CWin32WaitableTimers::Create(const char* name) {
    return reinterpret_cast<Handle>(CreateWaitableTimerA(nullptr, TRUE, name));
}

bool CWin32WaitableTimers::Set(Handle timer, int64_t dueTime, bool resume,
                               const std::string& reason) {
    LARGE_INTEGER due;
    due.QuadPart = dueTime;
    // A machine that cannot wake by a timer lets the call succeed and leaves
    // ERROR_NOT_SUPPORTED; an older error must not pass for it. Wine leaves
    // ERROR_TIMER_RESUME_IGNORED (722), which is not taken for it.
    SetLastError(ERROR_SUCCESS);
    if (!SetWaitableTimer(ToHandle(timer), &due, 0, nullptr, nullptr, resume))
        return false;
    if (resume && !reason.empty())
        SetAgainWithReason(timer, due, reason);
    return true;
}

void CWin32WaitableTimers::SetAgainWithReason(Handle timer, const LARGE_INTEGER& due,
                                              const std::string& reason) {
    // Windows 7 and later: the same wake again, with the reason that
    // "powercfg /waketimers" shows (a reason makes it a wake timer). Where
    // it fails, the setting before stands, and so does its error.
    using SetEx = BOOL(WINAPI*)(HANDLE, const LARGE_INTEGER*, LONG, PTIMERAPCROUTINE, LPVOID,
                                PREASON_CONTEXT, ULONG);
    static const auto setEx =
        ProcAddress<SetEx>(GetModuleHandleA("kernel32.dll"), "SetWaitableTimerEx");
    if (!setEx)
        return;
    const DWORD error = GetLastError();
    std::u16string text = CWin32CodePage().ToUtf16(reason);
    REASON_CONTEXT context{};
    context.Version = POWER_REQUEST_CONTEXT_VERSION;
    context.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    context.Reason.SimpleReasonString = WideOf(text);
    setEx(ToHandle(timer), &due, 0, nullptr, nullptr, &context, 0);
    SetLastError(error);
}

uint32_t CWin32WaitableTimers::Wait(Handle timer) {
    if (!m_stop)
        return WaitForSingleObject(ToHandle(timer), INFINITE);
    const HANDLE handles[] = {ToHandle(timer), m_stop};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    return result == WAIT_OBJECT_0 + 1 ? kWaitStopped : result;
}

void CWin32WaitableTimers::Cancel(Handle timer) {
    CancelWaitableTimer(ToHandle(timer));
}

void CWin32WaitableTimers::Close(Handle timer) {
    CUniqueHandle owned(ToHandle(timer)); // given up here
}

uint32_t CWin32WaitableTimers::LastError() const {
    return GetLastError();
}

namespace {
ZoneTransition TransitionOf(const SYSTEMTIME& t) {
    ZoneTransition transition;
    transition.year = t.wYear;
    transition.month = t.wMonth;
    transition.dayOfWeek = t.wDayOfWeek;
    transition.day = t.wDay;
    transition.hour = t.wHour;
    transition.minute = t.wMinute;
    transition.second = t.wSecond;
    return transition;
}
} // namespace

bool CWin32LocalTimeConverter::ZoneForYear(USHORT year,
                                           const DYNAMIC_TIME_ZONE_INFORMATION& current,
                                           TIME_ZONE_INFORMATION& zone) const {
    constexpr ULONGLONG kKeptMs = 60000;
    const ULONGLONG now = GetTickCount64();
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_last.valid && m_last.year == year && now - m_last.readAt < kKeptMs &&
        std::memcmp(&m_last.current, &current, sizeof current) == 0) {
        zone = m_last.zone;
        return true;
    }
    m_last.valid = GetTimeZoneInformationForYear(year, nullptr, &m_last.zone) != FALSE;
    if (!m_last.valid)
        return false;
    m_last.year = year;
    m_last.current = current;
    m_last.readAt = now;
    zone = m_last.zone;
    return true;
}

int64_t CWin32LocalTimeConverter::LocalToUtcFileTime(const CDateTime& local) const {
    // The zone's rules for that year, not today's offset; the moments the
    // wall clock skips or repeats are converted by the program's own choice
    // (ZoneRules.h), not by whatever the system's conversion makes of them.
    DYNAMIC_TIME_ZONE_INFORMATION current{};
    const DWORD id = GetDynamicTimeZoneInformation(&current);
    TIME_ZONE_INFORMATION zone{};
    if (!local.IsValid() || !ZoneForYear(static_cast<USHORT>(local.GetYear()), current, zone))
        return kUnconvertible;
    ZoneRules rules;
    rules.bias = static_cast<int>(zone.Bias);
    rules.standardBias = static_cast<int>(zone.StandardBias);
    rules.daylightBias = static_cast<int>(zone.DaylightBias);
    rules.toStandard = TransitionOf(zone.StandardDate);
    rules.toDaylight = TransitionOf(zone.DaylightDate);
    // With "Adjust for daylight saving time automatically" off, the clock
    // keeps standard time all year, and so does the conversion: by the
    // year's rules it would put every summer start an hour early. The
    // system says so by TIME_ZONE_ID_UNKNOWN; DynamicDaylightTimeDisabled
    // alone is also set for a zone a program set with fixed dates, whose
    // clock still keeps summer time.
    const CDateTime utc = LocalToUtc(ClockRules(rules, id != TIME_ZONE_ID_UNKNOWN), local);
    // Before 1601 a file time is negative, which a timer takes as relative.
    const int64_t fileTime = utc.IsValid() ? FileTimeOf(utc) : 0;
    return fileTime > 0 ? fileTime : kUnconvertible;
}
