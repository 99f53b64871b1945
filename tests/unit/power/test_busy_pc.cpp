// What keeps a busy PC awake: the programs of the list (the setting's names
// and the match) and the network's traffic.
#include <gtest/gtest.h>

#include "wakeup/power/BusyPrograms.h"
#include "wakeup/power/NetworkTraffic.h"

TEST(BusyPrograms, TheSettingsNamesAndTheFirstThatRuns) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(KeepAwakeNames(" ComSkip ;ffmpeg.EXE;; \t;.exe;x.exe.bak;"),
              (Names{"comskip.exe", "ffmpeg.exe", "x.exe.bak.exe"}));
    EXPECT_EQ(KeepAwakeNames(""), Names{});
    struct Row {
        const char* name;
        Names names, running;
        const char* busy;
    };
    const Row rows[] = {
        {"none listed", {}, {"comskip.exe"}, ""},
        {"none running", {"comskip.exe"}, {"System", "explorer.exe"}, ""},
        {"another case, as the system spells it",
         {"comskip.exe"},
         {"System", "ComSkip.EXE"},
         "ComSkip.EXE"},
        {"the first that runs", {"a.exe", "b.exe"}, {"b.exe", "a.exe"}, "b.exe"},
        {"a name only like it", {"comskip.exe"}, {"comskip.exe.old", "xcomskip.exe"}, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FirstBusyProgram(row.names, row.running), row.busy) << row.name;
}

TEST(NetworkTraffic, RatesBetweenReadingsAndTheirText) {
    struct Row {
        uint64_t before, after;
        int64_t seconds;
        bool rated;
        const char* text; // of the rate, where there is one
    };
    const Row rows[] = {
        {0, 60 * 870400, 60, true, "850 KB/s"},
        {1000, 1000 + 60 * 2000000ull, 60, true, "1.9 MB/s"},
        {0, 60 * 1023 * 1024, 60, true, "1023 KB/s"},
        {0, 60 * 1024 * 1024, 60, true, "1.0 MB/s"},
        {0, 60 * 1280 * 1024, 60, true, "1.2 MB/s"}, // 1.25 exactly: half to even
        {0, 60 * 1331 * 1024, 60, true, "1.3 MB/s"},
        {500, 400, 60, false, ""}, // an interface went: the total went back
        {0, 1000, 0, false, ""},   // no time between
    };
    for (const Row& row : rows) {
        uint64_t rate = 0;
        EXPECT_EQ(TrafficRate(row.before, row.after, row.seconds, rate), row.rated) << row.text;
        if (row.rated) {
            EXPECT_EQ(TrafficText(rate), row.text);
        }
    }
}
