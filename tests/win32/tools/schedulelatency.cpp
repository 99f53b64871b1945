// schedulelatency: measures, against a running scheduler, the time from a
// write of <host>\tvrecord.xml to the scheduler's "Timer set to: " line for
// it, over a number of writes, and prints the median and the worst.
//   schedulelatency <host directory> [writes]
// Each write is a schedule with one new recording, so that every write arms
// the timer anew; the next write follows once the line has shown.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/WakeupMessages.h"
#include "tests/win32/support/WineTestSupport.h"

namespace {
// The text after marker in the newest of the last lines that holds it, or
// empty. Only the newest lines are read: each read is a round trip to the
// scheduler, and the measurement should not wait for many of them.
std::string NewestAfter(HWND list, const std::string& marker) {
    const auto lines = winetest::ListBoxLines(list, 12);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const size_t at = it->find(marker);
        if (at != std::string::npos)
            return it->substr(at + marker.size());
    }
    return std::string();
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string schedule = std::string(argv[1]) + "\\tvrecord.xml";
    const int writes = argc > 2 ? std::atoi(argv[2]) : 50;
    HWND window = FindWindowA(WAKEUP_WINDOW_CLASS, WAKEUP_WINDOW_TITLE);
    if (!window || writes <= 0)
        return 1;
    HWND list = GetDlgItem(window, 1001);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> millis;
    for (int i = 0; i < writes; ++i) {
        const std::string channel = "Latency" + std::to_string(i);
        const std::string xml = "<tvrecord><program start=\"" +
                                winetest::ScheduleStartIn(24 * 60 + i) +
                                "\" freq=\"once\" channel=\"" + channel + "\"/></tvrecord>";
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        if (!winetest::WriteFileBytes(schedule, xml))
            return 1;
        std::string target;
        const auto deadline = GetTickCount64() + winetest::kDeadlineMs;
        bool armed = false;
        while (!armed && GetTickCount64() < deadline) {
            if (target.empty())
                target = NewestAfter(list, " channel " + channel + " Start: ");
            armed = !target.empty() && NewestAfter(list, " Timer set to: ") == target;
            if (!armed)
                Sleep(1);
        }
        QueryPerformanceCounter(&end);
        if (!armed) {
            std::printf("write %d: no \"Timer set to: \" line in time\n", i);
            return 1;
        }
        millis.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                         static_cast<double>(frequency.QuadPart));
    }
    std::sort(millis.begin(), millis.end());
    std::printf("%d writes: median %.1f ms, worst %.1f ms\n", writes, millis[millis.size() / 2],
                millis.back());
    return 0;
}
