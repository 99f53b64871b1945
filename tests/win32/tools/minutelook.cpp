// minutelook: what the countdown's minute costs where a program list or a
// network threshold is set: the process snapshot with its name match, and
// the interfaces' byte counters, each timed over a number of rounds (median
// and worst). Copies of itself, started first, give the snapshot more
// processes to walk, as a PC with many processes has.
//   minutelook [extra processes] [rounds]
// A copy started with "wait" waits for the measurement's end, for ten
// minutes at the most.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "wakeup/platform/win32/Win32Power.h"
#include "wakeup/power/BusyPrograms.h"

namespace {
const char kStopEvent[] = "Local\\minutelook.stop";

double Millis(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

template <typename Look> void Time(const char* what, int rounds, Look look) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        LARGE_INTEGER from, to;
        QueryPerformanceCounter(&from);
        look();
        QueryPerformanceCounter(&to);
        ms.push_back(Millis(from, to));
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-44s median %7.3f ms, worst %7.3f ms (%d rounds)\n", what, ms[ms.size() / 2],
                ms.back(), rounds);
}
} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "wait") {
        HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, kStopEvent);
        if (stop)
            WaitForSingleObject(stop, 10 * 60 * 1000);
        return 0;
    }
    const int extra = argc > 1 ? std::atoi(argv[1]) : 300;
    const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 50);
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, kStopEvent);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::vector<HANDLE> children;
    for (int i = 0; i < extra; ++i) {
        std::string command = "\"" + std::string(self) + "\" wait";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, DETACHED_PROCESS,
                            nullptr, nullptr, &startup, &process))
            break;
        CloseHandle(process.hThread);
        children.push_back(process.hProcess);
    }

    CWin32ProcessList list;
    std::vector<std::string> running;
    list.ReadRunningPrograms(running);
    std::printf("%zu processes in the snapshot\n", running.size());
    // None of them runs: the match walks every process, its worst case.
    const std::vector<std::string> names =
        KeepAwakeNames("comskip.exe;ffmpeg;handbrakecli.exe;mcebuddy;tsreader.exe");
    Time("snapshot and name match (none runs)", rounds, [&] {
        std::vector<std::string> now;
        if (!list.ReadRunningPrograms(now) || !FirstBusyProgram(names, now).empty())
            std::printf("unexpected: the snapshot failed or found a listed program\n");
    });
    CWin32NetworkCounters counters;
    uint64_t bytes = 0;
    if (counters.ReadNetworkBytes(bytes))
        Time("network interfaces' byte counters", rounds,
             [&] { counters.ReadNetworkBytes(bytes); });
    else
        std::printf("the network's counters cannot be read here\n");

    SetEvent(stop);
    for (HANDLE child : children) {
        WaitForSingleObject(child, 30000);
        CloseHandle(child);
    }
    CloseHandle(stop);
    return 0;
}
