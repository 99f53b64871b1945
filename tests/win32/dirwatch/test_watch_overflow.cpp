// More changes than the change buffer holds: the system reports the overflow
// by a read that completes without records.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/win32/dirwatch/DirWatchWineSupport.h"
#include "tests/win32/support/WineTestSupport.h"
#include "wakeup/dirwatch/win32/DirectoryChanges.h"

using dirwatch_wine::CHoldingHandler;
using dirwatch_wine::CRecordingHandler;
using dirwatch_wine::RunFileOps;
using Events = std::vector<std::string>;

TEST(WatchOverflow, LostChangesAreReportedOnceAndTheWatchGoesOn) {
    for (BOOL window : {TRUE, FALSE}) {
        CDirectoryChangeWatcher watcher(window, FILTER_FLAG_FILE_NAME_ONLY);
        CHoldingHandler handler;
        winetest::CTempDir dir;
        const std::string d = dir.Path();
        ASSERT_EQ(watcher.WatchDirectory(d, FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
        ASSERT_TRUE(RunFileOps(d, {"write:first:x"}));
        ASSERT_TRUE(handler.WaitUntilHeld());
        // 40 records of about 320 bytes: far more than one buffer holds.
        ASSERT_TRUE(RunFileOps(d, {"many:" + std::string(150, 'n') + ":40"}));
        handler.Resume();
        ASSERT_TRUE(handler.WaitForEvent("lost " + d)) << window;
        // The watch goes on.
        ASSERT_TRUE(RunFileOps(d, {"write:after:y"}));
        ASSERT_TRUE(handler.WaitForEvent("added " + d + "\\after")) << window;
        // The buffer of the read before the overflow is not walked again.
        const Events events = handler.Events();
        EXPECT_EQ(std::count(events.begin(), events.end(), "added " + d + "\\first"), 1) << window;
        EXPECT_EQ(events, (Events{"started 0 " + d, "added " + d + "\\first", "lost " + d,
                                  "added " + d + "\\after"}))
            << window;
    }
}
