// A read that fails after the watch started ends the watch, and the handler
// hears of it whatever the application does with the watcher meanwhile.
#include <gtest/gtest.h>

#include "tests/win32/dirwatch/DirWatchWineSupport.h"
#include "tests/win32/support/WineTestSupport.h"
#include "wakeup/dirwatch/win32/DirectoryChanges.h"

using dirwatch_wine::CHoldingHandler;
using dirwatch_wine::CRecordingHandler;
using dirwatch_wine::RunFileOps;

TEST(WatchReadErrors, ErrorReachesTheHandlerThoughTheWatcherIsUsedBeforeItsDelivery) {
    CDirectoryChangeWatcher watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY);
    CHoldingHandler handler;
    CRecordingHandler other;
    winetest::CTempDir dir, otherDir;
    const std::string d = dir.Path();
    ASSERT_EQ(watcher.WatchDirectory(d, FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    const HANDLE watched = dirwatch_wine::FindDirectoryHandle(d);
    ASSERT_NE(watched, nullptr);
    ASSERT_TRUE(RunFileOps(d, {"write:a.txt:x"}));
    ASSERT_TRUE(handler.WaitUntilHeld());
    // The worker's next read then fails: its handle no longer names the
    // directory. An event takes the value at once, so that the watcher's own
    // close of it later ends nothing of anyone else's.
    ASSERT_TRUE(CloseHandle(watched));
    const HANDLE stand_in = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_EQ(stand_in, watched);
    handler.Resume();
    // The worker takes this start only after it has dealt with the failed
    // read; nothing has been dispatched on this thread yet.
    ASSERT_EQ(watcher.WatchDirectory(otherDir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &other), 0u);
    EXPECT_EQ(watcher.GetWatchedDirectoryCount(), 1);
    EXPECT_FALSE(watcher.IsWatchingDirectory(d));
    const auto hasError = [&] {
        for (const auto& event : handler.Events())
            if (event.compare(0, 6, "error ") == 0 && event.size() > d.size() &&
                event.compare(event.size() - d.size() - 1, std::string::npos, " " + d) == 0)
                return true;
        return false;
    };
    EXPECT_TRUE(winetest::WaitFor(hasError));
    const auto events = handler.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().compare(0, 6, "error "), 0) << events.back();
    EXPECT_TRUE(handler.Has("added " + d + "\\a.txt"));
    EXPECT_EQ(handler.GetWatcher(), nullptr);
}
