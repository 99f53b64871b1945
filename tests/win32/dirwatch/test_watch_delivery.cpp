// Callbacks reach the handler with full paths, in order, on the delivery
// thread: the thread that started the watch (hidden window) or the
// notification thread.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/win32/dirwatch/DirWatchWineSupport.h"
#include "tests/win32/support/WineTestSupport.h"
#include "wakeup/dirwatch/win32/DirectoryChanges.h"

using dirwatch_wine::CRecordingHandler;
using dirwatch_wine::RunFileOps;
using Events = std::vector<std::string>;

namespace {

constexpr DWORD kNameAndWrite = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;

// Adds, renames and removes a file from another process and checks the
// callbacks that the handler saw.
void ExpectChangesInOrder(CDirectoryChangeWatcher& watcher, CRecordingHandler& handler) {
    winetest::CTempDir dir;
    const std::string d = dir.Path();
    ASSERT_EQ(watcher.WatchDirectory(d, kNameAndWrite, &handler, FALSE, nullptr, nullptr), 0u);
    ASSERT_TRUE(handler.WaitForEvent("started 0 " + d));
    ASSERT_TRUE(RunFileOps(
        d, {"write:a.txt:one", "append:a.txt:two", "rename:a.txt:b.txt", "delete:b.txt"}));
    ASSERT_TRUE(handler.WaitForEvent("removed " + d + "\\b.txt"));
    EXPECT_EQ(handler.EventsWithoutModified(),
              (Events{"started 0 " + d, "added " + d + "\\a.txt",
                      "renamed " + d + "\\a.txt -> " + d + "\\b.txt", "removed " + d + "\\b.txt"}));
    EXPECT_TRUE(handler.Has("modified " + d + "\\a.txt"));
    EXPECT_TRUE(watcher.UnwatchDirectory(d));
    EXPECT_EQ(handler.Events().back(), "stopped " + d);
}

} // namespace

TEST(WatchDelivery, WindowDeliveryRunsOnTheThreadThatStartedTheWatch) {
    CDirectoryChangeWatcher watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY);
    CRecordingHandler handler;
    ExpectChangesInOrder(watcher, handler);
    for (DWORD thread : handler.Threads())
        EXPECT_EQ(thread, GetCurrentThreadId());
}

TEST(WatchDelivery, ThreadDeliveryRunsOnTheNotificationThread) {
    CDirectoryChangeWatcher watcher(FALSE, FILTER_FLAG_FILE_NAME_ONLY);
    CRecordingHandler handler;
    ExpectChangesInOrder(watcher, handler);
    const auto threads = handler.Threads();
    ASSERT_FALSE(threads.empty());
    for (DWORD thread : threads) {
        EXPECT_NE(thread, GetCurrentThreadId());
        EXPECT_EQ(thread, threads.front());
    }
}

TEST(WatchDelivery, CallbacksWaitWhileTheStartingThreadDispatchesNothing) {
    CDirectoryChangeWatcher watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY);
    CRecordingHandler handler;
    winetest::CTempDir dir;
    ASSERT_EQ(watcher.WatchDirectory(dir.Path(), kNameAndWrite, &handler), 0u);
    ASSERT_TRUE(RunFileOps(dir.Path(), {"write:a.txt:x"}));
    // Nothing dispatched yet: the callbacks are still queued.
    EXPECT_TRUE(handler.Events().empty());
    EXPECT_TRUE(handler.WaitForEvent("added " + dir.Path() + "\\a.txt"));
}

namespace {
class CThrowingHandler : public CRecordingHandler {
protected:
    void Record(const std::string& event) override {
        CRecordingHandler::Record(event);
        if (event.compare(0, 6, "added ") == 0)
            throw std::runtime_error("handler failed");
    }
};
} // namespace

TEST(WatchDelivery, FailingCallbackDoesNotStopLaterOnes) {
    for (BOOL window : {TRUE, FALSE}) {
        CDirectoryChangeWatcher watcher(window, FILTER_FLAG_FILE_NAME_ONLY);
        CThrowingHandler handler;
        winetest::CTempDir dir;
        const std::string d = dir.Path();
        ASSERT_EQ(watcher.WatchDirectory(d, FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
        ASSERT_TRUE(RunFileOps(d, {"write:a.txt:x", "write:b.txt:y", "delete:a.txt"}));
        EXPECT_TRUE(handler.WaitForEvent("removed " + d + "\\a.txt")) << window;
        EXPECT_TRUE(handler.Has("added " + d + "\\b.txt")) << window;
    }
}

namespace {
// Waits, without dispatching anything, until a posted message is queued for
// this thread.
bool PostedMessageQueued() {
    const ULONGLONG deadline = GetTickCount64() + winetest::kDeadlineMs;
    while (GetTickCount64() < deadline) {
        if (HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE)
            return true;
        Sleep(5);
    }
    return false;
}
} // namespace

TEST(WatchDelivery, UnwatchReturnsAfterWatchStoppedRanAndAfterEveryEarlierCallback) {
    for (BOOL window : {TRUE, FALSE}) {
        CDirectoryChangeWatcher watcher(window, FILTER_FLAG_FILE_NAME_ONLY);
        CRecordingHandler handler;
        winetest::CTempDir dir;
        const std::string d = dir.Path();
        ASSERT_EQ(watcher.WatchDirectory(d, FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
        ASSERT_TRUE(RunFileOps(d, {"write:a.txt:x"}));
        ASSERT_TRUE(handler.WaitForEvent("added " + d + "\\a.txt"));
        ASSERT_TRUE(RunFileOps(d, {"delete:a.txt"}));
        // With window delivery the removal is queued but not yet dispatched:
        // the stop dispatches it before On_WatchStopped.
        if (window)
            ASSERT_TRUE(PostedMessageQueued());
        else
            ASSERT_TRUE(handler.WaitForEvent("removed " + d + "\\a.txt"));
        EXPECT_TRUE(watcher.UnwatchDirectory(d));
        const Events events = handler.Events();
        ASSERT_GE(events.size(), 2u);
        EXPECT_EQ(events[events.size() - 2], "removed " + d + "\\a.txt") << window;
        EXPECT_EQ(events.back(), "stopped " + d) << window;
        EXPECT_FALSE(watcher.IsWatchingDirectory(d));
    }
}

TEST(WatchDelivery, NoWatchStoppedFlagEndsTheWatchWithoutIt) {
    for (BOOL window : {TRUE, FALSE}) {
        CDirectoryChangeWatcher watcher(window, FILTER_FLAG_FILE_NAME_ONLY |
                                                    FILTER_FLAG_NO_WATCH_STOPPED |
                                                    FILTER_FLAG_NO_WATCH_STARTED);
        CRecordingHandler handler;
        winetest::CTempDir dir;
        ASSERT_EQ(watcher.WatchDirectory(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
        ASSERT_TRUE(RunFileOps(dir.Path(), {"write:a.txt:x"}));
        ASSERT_TRUE(handler.WaitForEvent("added " + dir.Path() + "\\a.txt"));
        EXPECT_TRUE(watcher.UnwatchDirectory(dir.Path()));
        winetest::WaitFor([] { return false; }, 200); // dispatch whatever is left
        EXPECT_EQ(handler.Events(), Events{"added " + dir.Path() + "\\a.txt"}) << window;
    }
}
