// One whole scan of a 100-entry schedule through the ports, as the dialog
// runs it on every change of the file: read, decode, parse, the next start
// of every entry with its log line, the earliest kept.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tests/fakes/FakePlatform.h"
#include "wakeup/app/WakeUpDlg.h"

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
    CFakeRegistry registry;
    CFakeThreadStarter threads;
    CFakeLogList log;
    CFakeProgressBar progress;
    CFakeDialogControls controls;
    CFakeFileReader files;
    CLeadByteTable codePage;
    CFakeWaitableTimers timers;
    CFakeLocalTimeConverter localTime;
    CFakePower power;
    CFakeProcessStarter processes;
    CFakeWindowMessenger messenger;
    CFakeThreadWait wait;
    CFakeDirectoryWatcher watcher;
    CFakeSession session;
};

void BM_ScanHundredEntrySchedule(benchmark::State& state) {
    Ports p;
    p.files.SetFile("C:\\Orvisa\\tvrecord.xml", MakeSchedule(100));
    CWakeUpDlg dlg(CWakeUpPorts{p.clock, p.dateText, p.registry, p.threads, p.log, p.progress,
                                p.controls, p.files, p.codePage, p.timers, p.localTime, p.power,
                                p.processes, p.messenger, p.wait, p.watcher, p.session},
                   "C:\\Orvisa\\orvisawakeup\\kelmarwakeup.exe");
    for (auto _ : state) {
        dlg.ScanSchedule();
        // The first scan hands its target to an arming thread that never
        // runs here; every later one finds the same target.
        dlg.m_bScanBusy = 0;
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_ScanHundredEntrySchedule)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
