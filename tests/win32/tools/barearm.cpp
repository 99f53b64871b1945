// barearm: the least a program does from a write of the schedule to its
// armed timer, so that the scheduler's figure can be read beside a floor. It
// watches the host directory on a completion port, reads tvrecord.xml after
// each change of it, takes the earliest start attribute (month-day-year as
// the host writes it, local time) and sets its waking timer there.
//   barearm <host directory> <lifetime seconds> [timer name]
// The timer is "KelmarTimer" unless named otherwise, so that schedulelatency
// reads it as it reads the scheduler's: it refuses to start while another
// program holds a timer of that name. Prints "ready" once armed from the
// schedule as it is and watching; ends after its lifetime.
#include <windows.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/WakeupNames.h"
#include "common/win32/Owners.h"
#include "wakeup/schedule/WakeTimer.h"

namespace {

std::string ReadAll(const std::string& path) {
    const CUniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string text;
    char chunk[16384];
    DWORD got = 0;
    while (file && ReadFile(file.Get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    return text;
}

// The earliest start="M-D-YYYYTHH:MM:SS" as a UTC file time; false when the
// text holds none or is not a whole schedule yet (a write under way). The
// starts are compared as written, and only the earliest is converted.
bool EarliestStart(const std::string& xml, ULONGLONG& earliest) {
    if (xml.find("</tvrecord>") == std::string::npos)
        return false;
    // year, month, day, hour, minute, second: in that order they compare.
    std::array<unsigned, 6> first{}, next{};
    bool found = false;
    for (size_t at = xml.find("start=\""); at != std::string::npos;
         at = xml.find("start=\"", at + 1)) {
        // The value alone: the runtime's sscanf measures the whole rest of
        // the text first, which over many entries would cost more than the rest.
        const std::string text = xml.substr(at + 7, 24);
        if (std::sscanf(text.c_str(), "%u-%u-%uT%u:%u:%u", &next[1], &next[2], &next[0], &next[3],
                        &next[4], &next[5]) == 6 &&
            (!found || next < first)) {
            first = next;
            found = true;
        }
    }
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(first[0]);
    local.wMonth = static_cast<WORD>(first[1]);
    local.wDay = static_cast<WORD>(first[2]);
    local.wHour = static_cast<WORD>(first[3]);
    local.wMinute = static_cast<WORD>(first[4]);
    local.wSecond = static_cast<WORD>(first[5]);
    SYSTEMTIME utc;
    FILETIME file;
    if (!found || !TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
        !SystemTimeToFileTime(&utc, &file))
        return false;
    earliest = (ULONGLONG{file.dwHighDateTime} << 32) | file.dwLowDateTime;
    return true;
}

bool Arm(HANDLE timer, const std::string& schedule) {
    ULONGLONG earliest = 0;
    if (!EarliestStart(ReadAll(schedule), earliest))
        return false;
    LARGE_INTEGER due;
    due.QuadPart = static_cast<LONGLONG>(earliest);
    return SetWaitableTimer(timer, &due, 0, nullptr, nullptr, TRUE) != FALSE;
}

// Whether a change record names the schedule; a buffer that overflowed
// (no record) may hide one.
bool NamesSchedule(const BYTE* records, DWORD bytes) {
    if (bytes == 0)
        return true;
    for (DWORD offset = 0;;) {
        const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(records + offset);
        const int length = static_cast<int>(record->FileNameLength / sizeof(WCHAR));
        if (CompareStringOrdinal(record->FileName, length, L"" WAKEUP_SCHEDULE_FILE, -1, TRUE) ==
            CSTR_EQUAL)
            return true;
        if (record->NextEntryOffset == 0)
            return false;
        offset += record->NextEntryOffset;
    }
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const std::string schedule = std::string(argv[1]) + "\\" WAKEUP_SCHEDULE_FILE;
    const ULONGLONG deadline = GetTickCount64() + 1000ULL * std::strtoul(argv[2], nullptr, 10);
    const CUniqueHandle timer(
        CreateWaitableTimerA(nullptr, TRUE, argc > 3 ? argv[3] : WAKE_TIMER_NAME));
    if (timer && GetLastError() == ERROR_ALREADY_EXISTS) {
        std::printf("barearm: another program holds the timer\n");
        return 1;
    }
    const CUniqueHandle directory(CreateFileA(
        argv[1], FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    const CUniqueHandle port(directory ? CreateIoCompletionPort(directory.Get(), nullptr, 1, 1)
                                       : nullptr);
    OVERLAPPED overlapped{};
    alignas(DWORD) static BYTE changes[16384];
    const auto readChanges = [&] {
        return ReadDirectoryChangesW(directory.Get(), changes, sizeof changes, FALSE,
                                     FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE,
                                     nullptr, &overlapped, nullptr) != FALSE;
    };
    if (!timer || !port || !readChanges()) {
        std::printf("barearm: cannot watch: error %lu\n", GetLastError());
        return 1;
    }
    Arm(timer.Get(), schedule);
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* done = nullptr;
        if (now >= deadline || !GetQueuedCompletionStatus(port.Get(), &bytes, &key, &done,
                                                          static_cast<DWORD>(deadline - now)))
            return 0;
        // Decided before the buffer is handed back, read after it: a write
        // during the read is not lost.
        const bool named = NamesSchedule(changes, bytes);
        if (!readChanges())
            return 1;
        if (named)
            Arm(timer.Get(), schedule);
    }
}
