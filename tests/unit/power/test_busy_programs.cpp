// The programs that keep the PC awake: the setting's names and the match.
#include <gtest/gtest.h>

#include "wakeup/power/BusyPrograms.h"

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
