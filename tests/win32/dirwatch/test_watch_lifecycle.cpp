// Starting and ending watches: results, replacement of a watch, handler
// takeover, the hidden window, and many cycles without a hang or a leak.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <thread>

#include "tests/win32/dirwatch/DirWatchWineSupport.h"
#include "tests/win32/support/WineTestSupport.h"
#include "wakeup/dirwatch/win32/DirectoryChanges.h"

using dirwatch_wine::CRecordingHandler;
using dirwatch_wine::RunFileOps;
using Events = std::vector<std::string>;

namespace {

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

int CountWindows(const char* className, const char* title) {
    int count = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, className, title); w;
         w = FindWindowExA(nullptr, w, className, title))
        ++count;
    // Message-only or not, the hidden window is a top-level window.
    return count;
}

} // namespace

TEST(WatchResults, BadArgumentsGive87BeforeThePathIsLookedAt) {
    CDirectoryChangeWatcher watcher;
    CRecordingHandler handler;
    winetest::CTempDir dir;
    const std::string file = dir.Path() + "\\file.txt";
    ASSERT_TRUE(winetest::WriteFileBytes(file, "x"));
    EXPECT_EQ(watcher.WatchDirectory("", FILE_NOTIFY_CHANGE_LAST_WRITE, &handler), 87u);
    EXPECT_EQ(GetLastError(), 87u);
    EXPECT_EQ(watcher.WatchDirectory(file, 0, &handler), 87u);
    EXPECT_EQ(watcher.WatchDirectory(dir.Path(), FILE_NOTIFY_CHANGE_LAST_WRITE, nullptr), 87u);
    EXPECT_EQ(watcher.GetWatchedDirectoryCount(), 0);
}

TEST(WatchResults, MissingPathOrFileGives161) {
    CDirectoryChangeWatcher watcher;
    CRecordingHandler handler;
    winetest::CTempDir dir;
    const std::string file = dir.Path() + "\\file.txt";
    ASSERT_TRUE(winetest::WriteFileBytes(file, "x"));
    EXPECT_EQ(watcher.WatchDirectory(file, FILE_NOTIFY_CHANGE_LAST_WRITE, &handler), 161u);
    EXPECT_EQ(GetLastError(), 161u);
    EXPECT_EQ(
        watcher.WatchDirectory(dir.Path() + "\\missing", FILE_NOTIFY_CHANGE_LAST_WRITE, &handler),
        161u);
    EXPECT_EQ(GetLastError(), 161u);
    EXPECT_EQ(watcher.GetWatchedDirectoryCount(), 0);
    EXPECT_EQ(handler.GetWatcher(), nullptr);
}

TEST(WatchResults, UnwatchWithoutWatchesGivesFalse) {
    CDirectoryChangeWatcher watcher;
    EXPECT_FALSE(watcher.UnwatchDirectory("C:\\"));
    EXPECT_FALSE(watcher.UnwatchAllDirectories());
    EXPECT_FALSE(watcher.IsWatchingDirectory("C:\\"));
}

TEST(WatchReplacement, SecondWatchInOtherLetterCaseEndsTheFirst) {
    CDirectoryChangeWatcher watcher;
    CRecordingHandler first, second;
    winetest::CTempDir dir;
    const std::string d = dir.Path();
    const std::string other = Upper(d);
    ASSERT_NE(d, other);
    ASSERT_EQ(watcher.WatchDirectory(d, FILE_NOTIFY_CHANGE_FILE_NAME, &first), 0u);
    ASSERT_TRUE(first.WaitForEvent("started 0 " + d));
    ASSERT_EQ(watcher.WatchDirectory(other, FILE_NOTIFY_CHANGE_FILE_NAME, &second), 0u);
    EXPECT_EQ(first.Events(), (Events{"started 0 " + d, "stopped " + d}));
    EXPECT_EQ(watcher.GetWatchedDirectoryCount(), 1);
    EXPECT_TRUE(watcher.IsWatchingDirectory(d));
    EXPECT_EQ(first.GetWatcher(), nullptr);
    EXPECT_EQ(second.GetWatcher(), &watcher);
    ASSERT_TRUE(RunFileOps(d, {"write:a.txt:x"}));
    EXPECT_TRUE(second.WaitForEvent("added " + other + "\\a.txt"));
}

TEST(WatchReplacement, TrailingBackslashMakesAnotherEntry) {
    CDirectoryChangeWatcher watcher;
    CRecordingHandler first, second;
    winetest::CTempDir dir;
    ASSERT_EQ(watcher.WatchDirectory(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &first), 0u);
    ASSERT_EQ(watcher.WatchDirectory(dir.Path() + "\\", FILE_NOTIFY_CHANGE_FILE_NAME, &second), 0u);
    EXPECT_EQ(watcher.GetWatchedDirectoryCount(), 2);
    ASSERT_TRUE(RunFileOps(dir.Path(), {"write:a.txt:x"}));
    // Both produce exactly one backslash before the name.
    EXPECT_TRUE(first.WaitForEvent("added " + dir.Path() + "\\a.txt"));
    EXPECT_TRUE(second.WaitForEvent("added " + dir.Path() + "\\a.txt"));
    EXPECT_TRUE(watcher.UnwatchAllDirectories());
    EXPECT_EQ(watcher.GetWatchedDirectoryCount(), 0);
}

TEST(WatchReplacement, HandlerUsedByASecondWatcherLeavesTheFirst) {
    CDirectoryChangeWatcher one, two;
    CRecordingHandler handler;
    winetest::CTempDir a, b;
    ASSERT_EQ(one.WatchDirectory(a.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    ASSERT_EQ(handler.GetWatcher(), &one);
    ASSERT_EQ(two.WatchDirectory(b.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    EXPECT_TRUE(handler.Has("stopped " + a.Path()));
    EXPECT_FALSE(one.IsWatchingDirectory(a.Path()));
    EXPECT_EQ(handler.GetWatcher(), &two);
    EXPECT_EQ(handler.GetWatcherUseCount(), 1);
}

TEST(WatchReplacement, HandlerDestroyedFirstEndsItsWatches) {
    CDirectoryChangeWatcher watcher;
    winetest::CTempDir dir;
    {
        CRecordingHandler handler;
        ASSERT_EQ(watcher.WatchDirectory(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    }
    EXPECT_EQ(watcher.GetWatchedDirectoryCount(), 0);
    // The watch is gone: changes now reach nobody and nothing breaks.
    ASSERT_TRUE(RunFileOps(dir.Path(), {"write:a.txt:x"}));
    winetest::WaitFor([] { return false; }, 100);
}

TEST(HiddenWindow, TwoWatchesShareOneWindowThatGoesWithTheLast) {
    const int before = CountWindows("Delayed_Message_Sender", "DelayedWnd");
    CDirectoryChangeWatcher watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY);
    CRecordingHandler handler;
    winetest::CTempDir a, b;
    ASSERT_EQ(watcher.WatchDirectory(a.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    ASSERT_EQ(watcher.WatchDirectory(b.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    EXPECT_EQ(CountWindows("Delayed_Message_Sender", "DelayedWnd"), before + 1);
    EXPECT_TRUE(watcher.UnwatchDirectory(a.Path()));
    EXPECT_EQ(CountWindows("Delayed_Message_Sender", "DelayedWnd"), before + 1);
    EXPECT_TRUE(watcher.UnwatchDirectory(b.Path()));
    // Queued On_WatchStarted notifications may still hold the window.
    EXPECT_TRUE(winetest::WaitFor(
        [&] { return CountWindows("Delayed_Message_Sender", "DelayedWnd") == before; }));
}

namespace {
HHOOK g_hook = nullptr;
LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND)
        return 1; // the window is not created
    return CallNextHookEx(g_hook, code, wParam, lParam);
}
} // namespace

TEST(HiddenWindow, WatchFailsWhenTheWindowCannotBeCreated) {
    CDirectoryChangeWatcher watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY);
    CRecordingHandler handler;
    winetest::CTempDir dir;
    g_hook = SetWindowsHookExA(WH_CBT, RefuseWindows, nullptr, GetCurrentThreadId());
    ASSERT_NE(g_hook, nullptr);
    const DWORD result = watcher.WatchDirectory(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler);
    UnhookWindowsHookEx(g_hook);
    EXPECT_NE(result, 0u);
    EXPECT_EQ(GetLastError(), result);
    EXPECT_EQ(watcher.GetWatchedDirectoryCount(), 0);
    EXPECT_EQ(handler.GetWatcher(), nullptr);
    // The next watch makes its window and works.
    ASSERT_EQ(watcher.WatchDirectory(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    ASSERT_TRUE(RunFileOps(dir.Path(), {"write:a.txt:x"}));
    EXPECT_TRUE(handler.WaitForEvent("added " + dir.Path() + "\\a.txt"));
    EXPECT_TRUE(watcher.UnwatchDirectory(dir.Path()));
}

TEST(HiddenWindow, QuitMessageTakenDuringAStopIsPostedAgain) {
    CDirectoryChangeWatcher watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY);
    CRecordingHandler handler;
    winetest::CTempDir dir;
    ASSERT_EQ(watcher.WatchDirectory(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    PostQuitMessage(7);
    EXPECT_TRUE(watcher.UnwatchDirectory(dir.Path()));
    EXPECT_TRUE(handler.Has("stopped " + dir.Path()));
    MSG msg;
    bool quit = false;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            EXPECT_EQ(msg.wParam, 7u);
        }
    }
    EXPECT_TRUE(quit);
}

TEST(WatchCycles, TwoHundredWatchAndUnwatchCyclesNeitherHangNorLeakHandles) {
    winetest::CTempDir dir;
    CRecordingHandler handler;
    for (BOOL window : {TRUE, FALSE}) {
        CDirectoryChangeWatcher watcher(window, FILTER_FLAG_FILE_NAME_ONLY);
        // One cycle first, so that one-time handles (privileges, the window
        // class, the thread's queue) are counted in the baseline.
        ASSERT_EQ(watcher.WatchDirectory(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
        ASSERT_TRUE(watcher.UnwatchAllDirectories());
        winetest::WaitFor([] { return false; }, 50);
        const DWORD before = dirwatch_wine::HandleCount();
        for (int i = 0; i < 200; ++i) {
            ASSERT_EQ(watcher.WatchDirectory(dir.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler),
                      0u)
                << i;
            ASSERT_TRUE(watcher.UnwatchDirectory(dir.Path())) << i;
            if (i % 50 == 49) {
                ASSERT_TRUE(watcher.UnwatchAllDirectories()); // the worker ends too
            }
        }
        winetest::WaitFor([] { return false; }, 50);
        const DWORD after = dirwatch_wine::HandleCount();
        EXPECT_LE(after, before + 2) << "before " << before << " window " << window;
    }
    EXPECT_EQ(handler.GetWatcherUseCount(), 0);
}

TEST(WatchCycles, HandleCountSeesEveryHandle) {
    // The leak check above is only as good as the count it relies on.
    const DWORD before = dirwatch_wine::HandleCount();
    CUniqueHandle events[3];
    for (CUniqueHandle& event : events)
        event.Reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    EXPECT_EQ(dirwatch_wine::HandleCount(), before + 3);
    for (CUniqueHandle& event : events)
        event.Reset();
    EXPECT_EQ(dirwatch_wine::HandleCount(), before);
}

namespace {
// Queries the watcher from On_WatchStopped, which runs on the notification
// thread while the stopping thread waits for it.
class CQueryingHandler : public CRecordingHandler {
public:
    void On_WatchStopped(const std::string& directory) override {
        stillWatched = watcher->IsWatchingDirectory(directory) ? 1 : 0;
        watchedCount = watcher->GetWatchedDirectoryCount();
        CRecordingHandler::On_WatchStopped(directory);
    }
    CDirectoryChangeWatcher* watcher = nullptr;
    int stillWatched = -1;
    int watchedCount = -1;
};

// Runs body on a thread of its own (whose messages it dispatches itself), so
// that a stop that waits for ever fails the test instead of hanging it.
void RunWithDeadline(const std::function<void()>& body) {
    const CUniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread runner([&] {
        body();
        SetEvent(done.Get());
    });
    if (WaitForSingleObject(done.Get(), winetest::kDeadlineMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "a stop and a callback wait for each other";
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    runner.join();
}
} // namespace

TEST(WatchLocks, HandlerOnTheNotificationThreadMayUseTheWatcherDuringAStop) {
    CDirectoryChangeWatcher watcher(FALSE, FILTER_FLAG_FILE_NAME_ONLY);
    CQueryingHandler handler;
    handler.watcher = &watcher;
    winetest::CTempDir a, b;
    ASSERT_EQ(watcher.WatchDirectory(a.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    ASSERT_EQ(watcher.WatchDirectory(b.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
    RunWithDeadline([&] { watcher.UnwatchDirectory(a.Path()); });
    EXPECT_EQ(handler.stillWatched, 0); // it left the table before the stop
    EXPECT_EQ(handler.watchedCount, 1);
    EXPECT_TRUE(handler.Has("stopped " + a.Path()));
}

namespace {
// From On_WatchStopped of its first directory (once): watches that directory
// again and ends the watch of the second.
class CRewatchingHandler : public CRecordingHandler {
public:
    void On_WatchStopped(const std::string& directory) override {
        CRecordingHandler::On_WatchStopped(directory);
        if (directory != first || rewatched != ~0u)
            return;
        rewatched = watcher->WatchDirectory(first, FILE_NOTIFY_CHANGE_FILE_NAME, this);
        secondEnded = watcher->UnwatchDirectory(second);
    }
    CDirectoryChangeWatcher* watcher = nullptr;
    std::string first, second;
    DWORD rewatched = ~0u;
    BOOL secondEnded = FALSE;
};

} // namespace

TEST(WatchLocks, WatchStoppedMayStartAndEndWatchesOfTheSameWatcher) {
    for (BOOL window : {TRUE, FALSE}) {
        winetest::CTempDir a, b;
        CRewatchingHandler handler;
        handler.first = a.Path();
        handler.second = b.Path();
        RunWithDeadline([&] {
            CDirectoryChangeWatcher watcher(window, FILTER_FLAG_FILE_NAME_ONLY);
            handler.watcher = &watcher;
            ASSERT_EQ(watcher.WatchDirectory(a.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
            ASSERT_EQ(watcher.WatchDirectory(b.Path(), FILE_NOTIFY_CHANGE_FILE_NAME, &handler), 0u);
            EXPECT_TRUE(watcher.UnwatchDirectory(a.Path())) << window;
            EXPECT_EQ(handler.rewatched, 0u) << window;
            EXPECT_TRUE(handler.secondEnded) << window;
            EXPECT_TRUE(handler.Has("stopped " + b.Path())) << window;
            EXPECT_TRUE(watcher.IsWatchingDirectory(a.Path())) << window;
            EXPECT_FALSE(watcher.IsWatchingDirectory(b.Path())) << window;
            // The watch started from the callback works.
            ASSERT_TRUE(RunFileOps(a.Path(), {"write:x.txt:x"}));
            EXPECT_TRUE(handler.WaitForEvent("added " + a.Path() + "\\x.txt")) << window;
            EXPECT_TRUE(watcher.UnwatchAllDirectories()) << window;
            EXPECT_EQ(watcher.GetWatchedDirectoryCount(), 0) << window;
        });
        EXPECT_EQ(handler.GetWatcherUseCount(), 0) << window;
    }
}
