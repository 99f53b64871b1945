// The schedule file watch as the main dialog sets it up: include
// "tvrecord.xml", filter flags 8, last-write changes.
#include <gtest/gtest.h>

#include "tests/win32/dirwatch/DirWatchWineSupport.h"
#include "tests/win32/support/WineTestSupport.h"
#include "wakeup/dirwatch/win32/DirectoryChanges.h"

using dirwatch_wine::CRecordingHandler;
using dirwatch_wine::RunFileOps;
using Events = std::vector<std::string>;

TEST(WatchFilters, ScheduleIncludePassesOnlyThatName) {
    CDirectoryChangeWatcher watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY);
    CRecordingHandler handler;
    winetest::CTempDir dir;
    const std::string d = dir.Path();
    ASSERT_EQ(watcher.WatchDirectory(d, FILE_NOTIFY_CHANGE_LAST_WRITE, &handler, FALSE,
                                     "tvrecord.xml", ""),
              0u);
    // (The same name in capitals would be the same file here: the letter
    // case of the patterns is pinned down by the unit tests.)
    ASSERT_TRUE(RunFileOps(d, {"write:other.xml:a", "write:tvrecord.xml.bak:b",
                               "write:xtvrecord.xml:c", "write:tvrecord.xml:d"}));
    // The schedule file was written last, so every other change was
    // delivered (or dropped) before it.
    ASSERT_TRUE(handler.WaitForEvent("modified " + d + "\\tvrecord.xml"));
    for (const auto& event : handler.Events())
        EXPECT_TRUE(event == "started 0 " + d || event == "modified " + d + "\\tvrecord.xml")
            << event;
}

TEST(WatchFilters, RenameToTheScheduleFilePassesOnItsNewName) {
    CDirectoryChangeWatcher watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY);
    CRecordingHandler handler;
    winetest::CTempDir dir;
    const std::string d = dir.Path();
    ASSERT_TRUE(RunFileOps(d, {"write:x.tmp:new schedule"}));
    ASSERT_EQ(watcher.WatchDirectory(d, FILE_NOTIFY_CHANGE_FILE_NAME, &handler, FALSE,
                                     "tvrecord.xml", ""),
              0u);
    ASSERT_TRUE(RunFileOps(d, {"write:y.tmp:y", "rename:x.tmp:tvrecord.xml", "delete:y.tmp"}));
    ASSERT_TRUE(handler.WaitForEvent("renamed " + d + "\\x.tmp -> " + d + "\\tvrecord.xml"));
    EXPECT_EQ(handler.Events(),
              (Events{"started 0 " + d, "renamed " + d + "\\x.tmp -> " + d + "\\tvrecord.xml"}));
}

TEST(WatchFilters, VetoHookSeesFullPathsOnTheDeliveryThread) {
    class CVetoHandler : public CRecordingHandler {
    public:
        bool On_FilterChange(uint32_t action, const char* name, const char*) override {
            hookThread = GetCurrentThreadId();
            asked.push_back(std::to_string(action) + " " + name);
            return std::string(name).find("keep") != std::string::npos;
        }
        DWORD hookThread = 0;
        std::vector<std::string> asked;
    } handler;
    CDirectoryChangeWatcher watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY);
    winetest::CTempDir dir;
    const std::string d = dir.Path();
    ASSERT_EQ(
        watcher.WatchDirectory(d, FILE_NOTIFY_CHANGE_FILE_NAME, &handler, FALSE, "*.txt", nullptr),
        0u);
    ASSERT_TRUE(RunFileOps(d, {"write:drop.txt:a", "write:skip.doc:b", "write:keep.txt:c"}));
    ASSERT_TRUE(handler.WaitForEvent("added " + d + "\\keep.txt"));
    EXPECT_EQ(handler.asked, (Events{"1 " + d + "\\drop.txt", "1 " + d + "\\keep.txt"}));
    EXPECT_EQ(handler.hookThread, GetCurrentThreadId());
    EXPECT_EQ(handler.Events(), (Events{"started 0 " + d, "added " + d + "\\keep.txt"}));
}
