// schedulelatency: measures, against a running scheduler, the time from a
// write of <host>\tvrecord.xml to
//   armed:  the new due time on the scheduler's timer object, and
//   logged: the scan's last line (the new recording's) in the scheduler's
//           list, which takes the scan's lines at its end,
// over a number of writes, and prints the median and the worst of each.
//   schedulelatency <host directory> [entries] [writes] [armed-only] [rest=ms]
// armed-only: the first figure alone, of whatever program holds the timer of
// the scheduler's name; it needs no window (barearm, in scripts/bench-light),
// and each write follows the last one's arming.
// Each write is a schedule of `entries` recordings whose earliest one, written
// last, is new, so that every write arms the timer anew; the next write
// follows once its line has shown, and after rest milliseconds more where
// given: a program at rest, as the host's writes find it, rather than one
// still busy with the last write's aftermath (the list's drawing, the log
// file's write).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/WakeupMessages.h"
#include "tests/win32/support/WineTestSupport.h"

namespace {
// Whether one of the list's four newest lines holds part. Only those are
// read: each read is a round trip to the scheduler, and the measurement
// should not wait for many of them.
bool AmongNewest(HWND list, const std::string& part) {
    const auto lines = winetest::ListBoxLines(list, 4);
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

constexpr ULONGLONG kHalfMinute = 30ULL * 10000000ULL; // in 100-ns units

std::string Program(const std::string& start, const std::string& channel) {
    return "<program start=\"" + start + "\" freq=\"once\" channel=\"" + channel + "\"/>";
}

double Millis(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

void Print(const char* what, std::vector<double> millis) {
    std::sort(millis.begin(), millis.end());
    std::printf("  %s: median %.1f ms, worst %.1f ms\n", what, millis[millis.size() / 2],
                millis.back());
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string schedule = std::string(argv[1]) + "\\tvrecord.xml";
    const int entries = argc > 2 ? std::atoi(argv[2]) : 1;
    const int writes = argc > 3 ? std::atoi(argv[3]) : 50;
    bool armedOnly = false;
    DWORD restMs = 0;
    for (int i = 4; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "armed-only")
            armedOnly = true;
        else if (option.rfind("rest=", 0) == 0)
            restMs = static_cast<DWORD>(std::strtoul(option.c_str() + 5, nullptr, 10));
        else
            return 2;
    }
    HWND window = armedOnly ? nullptr : FindWindowA(WAKEUP_WINDOW_CLASS, WAKEUP_WINDOW_TITLE);
    if ((!window && !armedOnly) || writes <= 0 || entries <= 0)
        return 1;
    HWND list = window ? GetDlgItem(window, 1001) : nullptr;
    // The later recordings, the same in every write: two days on.
    std::string rest;
    for (int k = 1; k < entries; ++k)
        rest += Program(winetest::ScheduleStartIn(48 * 60 + k), "Later" + std::to_string(k));
    std::vector<double> armedMillis, loggedMillis;
    for (int i = 0; i < writes; ++i) {
        const std::string channel = "Latency" + std::to_string(i);
        // Last, so that its line is among the scan's newest.
        const std::string xml = "<tvrecord>" + rest +
                                Program(winetest::ScheduleStartIn(24 * 60 + i), channel) +
                                "</tvrecord>";
        Sleep(restMs);
        const ULONGLONG dueBefore = winetest::ArmedDueTime();
        LARGE_INTEGER start, armedAt{}, loggedAt{};
        QueryPerformanceCounter(&start);
        if (!winetest::WriteFileBytes(schedule, xml))
            return 1;
        // The timer first, polled without a round trip to the scheduler.
        const auto deadline = GetTickCount64() + winetest::kDeadlineMs;
        bool armed = false;
        while (!armed && GetTickCount64() < deadline) {
            // Each write's recording is a minute or more from the last one's;
            // the due time read back varies by the moments of the reading.
            const ULONGLONG due = winetest::ArmedDueTime();
            armed = due != 0 && (due > dueBefore ? due - dueBefore : dueBefore - due) > kHalfMinute;
            if (!armed)
                Sleep(0);
        }
        QueryPerformanceCounter(&armedAt);
        // The new recording's line is the scan's last: the list has them all.
        bool logged = armedOnly;
        while (armed && !logged && GetTickCount64() < deadline) {
            logged = AmongNewest(list, " channel " + channel + " Start: ");
            if (!logged)
                Sleep(1);
        }
        QueryPerformanceCounter(&loggedAt);
        if (!armed || !logged) {
            std::printf("write %d: not %s in time%s\n", i, armed ? "logged" : "armed",
                        list ? "; the newest lines:" : "");
            for (const std::string& line :
                 list ? winetest::ListBoxLines(list, 12) : std::vector<std::string>())
                std::printf("  %s\n", line.c_str());
            return 1;
        }
        armedMillis.push_back(Millis(start, armedAt));
        loggedMillis.push_back(Millis(start, loggedAt));
    }
    std::printf("%d entries, %d writes:\n", entries, writes);
    Print("write to armed", armedMillis);
    if (!armedOnly)
        Print("write to the scan's last line", loggedMillis);
    return 0;
}
