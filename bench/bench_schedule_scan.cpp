// One whole scan of a 100-entry schedule through the ports, as the dialog
// runs it on every change of the file: read, decode, parse, the next start
// of every entry with its log line, the earliest kept.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

#include "tests/fakes/FakePlatform.h"
#include "wakeup/app/NightStep.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/WakeUpLog.h"

namespace {

std::string MakeSchedule(int entries) {
    static const char* const kFreq[] = {"once", "daily", "weekly"};
    std::string text = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<tvrecord>\r\n";
    char entry[256];
    for (int i = 0; i < entries; ++i) {
        std::snprintf(entry, sizeof entry,
                      "  <program start=\"%d-%d-2005T%02d:%02d:00\" freq=\"%s\" "
                      "channel=\"Channel %d\"/>\r\n",
                      i % 12 + 1, i % 28 + 1, i % 24, i % 60, kFreq[i % 3], i % 40);
        text += entry;
    }
    return text + "</tvrecord>\r\n";
}

struct Ports {
    CFakeClock clock{CDateTime(2005, 6, 1, 12, 0, 0)};
    CFakeDateText dateText;
    CFakeThreadStarter threads;
    CFakeLogList log;
    CFakeLogFile logFile;
    CFakeDialogControls controls;
    CFakeFileReader files;
    CLeadByteTable codePage;
    CFakeWaitableTimers timers;
    CFakeLocalTimeConverter localTime;
    CFakePower power;
    CFakeWindowMessenger messenger;
    CFakeThreadWait wait;
};

void BM_ScanHundredEntrySchedule(benchmark::State& state) {
    Ports p;
    p.files.SetFile("C:\\Orvisa\\tvrecord.xml", MakeSchedule(100));
    const std::string hostDir = "C:\\Orvisa";
    const int leadMinutes = 0;
    CWakeUpLog log(p.clock, p.dateText, p.log, p.logFile);
    CNightState night;
    CNightQueue queue(p.messenger);
    const std::atomic<bool> stop{false};
    CScheduleArming arming({p.files, p.codePage, p.clock, p.dateText, p.timers, p.localTime,
                            p.threads, p.wait, p.power},
                           queue, hostDir, leadMinutes, stop);
    NightInputs in(p.dateText);
    in.now = p.clock.NowUtc();
    for (auto _ : state) {
        // Read and parsed here, stepped and logged as the loop does.
        NightEvent scanned;
        arming.BeginScan(scanned);
        for (const std::string& line : NightStep(night, scanned, in).log)
            log.Add(line);
        // Nothing is armed here: the step's wake is not handed over.
        arming.EndScan();
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_ScanHundredEntrySchedule)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
