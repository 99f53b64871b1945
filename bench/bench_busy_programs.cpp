// The countdown's minute with "KeepAwakePrograms" set: the setting's names
// and their match against the names of 300 running processes (none listed,
// the worst case: every name compared). The snapshot itself is the
// system's (CreateToolhelp32Snapshot), not measured here.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "wakeup/power/BusyPrograms.h"

static void MinutesLookOver300Processes(benchmark::State& state) {
    std::vector<std::string> running;
    for (int i = 0; i < 300; ++i)
        running.push_back("Process" + std::to_string(i) + ".exe");
    for (auto _ : state) {
        const std::vector<std::string> names = KeepAwakeNames("comskip; ffmpeg.exe; HandBrakeCLI");
        benchmark::DoNotOptimize(FirstBusyProgram(names, running));
    }
}
BENCHMARK(MinutesLookOver300Processes)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
