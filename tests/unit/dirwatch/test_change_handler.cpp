// The handler's reference count and its one-watcher-at-a-time bookkeeping.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <vector>

#include "wakeup/dirwatch/DirectoryChangeHandler.h"

namespace {

class CCountedHandler : public CDirectoryChangeHandler {
public:
    explicit CCountedHandler(bool* deleted) : m_deleted(deleted) {}
    ~CCountedHandler() override { *m_deleted = true; }

private:
    bool* m_deleted;
};

// Stands in for a watcher: ends its watches of the handler the way the real
// one does, by detaching each, and says whether it found any.
class CFakeWatcher : public IHandlerWatcher {
public:
    bool UnwatchAllDirectoriesForHandler(CDirectoryChangeHandler* handler) override {
        ++unwatchCalls;
        if (onUnwatch)
            onUnwatch(handler);
        const bool found = watches > 0;
        for (; watches > 0; --watches)
            handler->DetachFromWatcher(this);
        return found || answerAnyway;
    }

    int watches = 0;
    int unwatchCalls = 0;
    bool answerAnyway = false;
    std::function<void(CDirectoryChangeHandler*)> onUnwatch;
};

} // namespace

TEST(HandlerReferences, DeletesItselfWhenTheLastReferenceGoes) {
    bool deleted = false;
    auto* handler = new CCountedHandler(&deleted);
    EXPECT_EQ(handler->AddRef(), 2);
    EXPECT_EQ(handler->AddRef(), 3);
    EXPECT_EQ(handler->Release(), 2);
    EXPECT_EQ(handler->Release(), 1);
    EXPECT_FALSE(deleted);
    EXPECT_EQ(handler->Release(), 0);
    EXPECT_TRUE(deleted);
}

TEST(HandlerWatcherUse, CountsTheWatchesOfOneWatcher) {
    CFakeWatcher watcher;
    CDirectoryChangeHandler handler;
    EXPECT_EQ(handler.AttachToWatcher(&watcher), 1);
    EXPECT_EQ(handler.AttachToWatcher(&watcher), 2);
    EXPECT_EQ(handler.GetWatcher(), &watcher);
    EXPECT_EQ(handler.DetachFromWatcher(&watcher), 1);
    EXPECT_EQ(handler.GetWatcher(), &watcher);
    EXPECT_EQ(handler.DetachFromWatcher(&watcher), 0);
    EXPECT_EQ(handler.GetWatcher(), nullptr);
    // One detach too many leaves the count at 0.
    EXPECT_EQ(handler.DetachFromWatcher(&watcher), -1);
    EXPECT_EQ(handler.GetWatcherUseCount(), 0);
    EXPECT_EQ(handler.AttachToWatcher(nullptr), 0);
    EXPECT_EQ(watcher.unwatchCalls, 0);
}

TEST(HandlerWatcherUse, SecondWatcherEndsTheFirstWatchersWatchesFirst) {
    CFakeWatcher first, second;
    CDirectoryChangeHandler handler;
    handler.AttachToWatcher(&first);
    handler.AttachToWatcher(&first);
    first.watches = 2;
    EXPECT_EQ(handler.AttachToWatcher(&second), 1);
    EXPECT_EQ(first.unwatchCalls, 1);
    EXPECT_EQ(first.watches, 0);
    EXPECT_EQ(handler.GetWatcher(), &second);
    EXPECT_EQ(handler.GetWatcherUseCount(), 1);
}

TEST(HandlerWatcherUse, FailedReleaseKeepsTheFirstWatcher) {
    // A watch the first watcher cannot end: the handler stays with it.
    CFakeWatcher first, second;
    CDirectoryChangeHandler handler;
    handler.AttachToWatcher(&first);
    EXPECT_EQ(handler.AttachToWatcher(&second), 1);
    EXPECT_EQ(first.unwatchCalls, 1);
    EXPECT_EQ(handler.GetWatcher(), &first);
    first.watches = 1; // its destructor ends it
}

TEST(HandlerWatcherUse, HandlerFreedDuringTheReleaseJoinsTheNewWatcher) {
    // The first watcher's last watch of the handler is detached while it is
    // being released, yet the watcher reports none ended (it had already
    // failed): the handler must still follow the new watcher, or the new
    // watch would outlive it.
    CFakeWatcher first, second;
    CDirectoryChangeHandler handler;
    handler.AttachToWatcher(&first);
    first.onUnwatch = [&](CDirectoryChangeHandler* h) { h->DetachFromWatcher(&first); };
    EXPECT_EQ(handler.AttachToWatcher(&second), 1);
    EXPECT_EQ(handler.GetWatcher(), &second);
    second.watches = 1;
    first.onUnwatch = nullptr;
}

TEST(HandlerWatcherUse, DestructorEndsTheWatchesThatUseIt) {
    CFakeWatcher watcher;
    {
        CDirectoryChangeHandler handler;
        handler.AttachToWatcher(&watcher);
        watcher.watches = 1;
    }
    EXPECT_EQ(watcher.unwatchCalls, 1);
    EXPECT_EQ(watcher.watches, 0);
}

TEST(HandlerWatcherUse, HandlerLockIsNotHeldWhileTheWatcherEndsWatches) {
    // The watcher detaches under its table lock, possibly on another thread;
    // if the handler held its own lock meanwhile the two would wait for each
    // other.
    CFakeWatcher first, second;
    CDirectoryChangeHandler handler;
    handler.AttachToWatcher(&first);
    bool detachedElsewhere = false;
    first.onUnwatch = [&](CDirectoryChangeHandler* h) {
        auto other =
            std::async(std::launch::async, [h, &first] { return h->DetachFromWatcher(&first); });
        detachedElsewhere = other.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    };
    EXPECT_EQ(handler.AttachToWatcher(&second), 1);
    EXPECT_TRUE(detachedElsewhere);
}
