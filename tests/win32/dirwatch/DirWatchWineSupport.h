#pragma once
// Shared pieces of the watcher's tests under Wine: a handler that records
// every callback with the thread it ran on, and the helper program that
// changes files from another process.
#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "common/win32/Owners.h"
#include "wakeup/dirwatch/DirectoryChangeHandler.h"

namespace dirwatch_wine {

class CRecordingHandler : public CDirectoryChangeHandler {
public:
    void On_FileAdded(const std::string& path) override { Record("added " + path); }
    void On_FileRemoved(const std::string& path) override { Record("removed " + path); }
    void On_FileRenamed(const std::string& from, const std::string& to) override {
        Record("renamed " + from + " -> " + to);
    }
    void On_FileModified(const std::string& path) override { Record("modified " + path); }
    void On_ReadDirectoryChangesError(uint32_t error, const std::string& dir) override {
        Record("error " + std::to_string(error) + " " + dir);
    }
    void On_WatchStarted(uint32_t error, const std::string& dir) override {
        Record("started " + std::to_string(error) + " " + dir);
    }
    void On_WatchStopped(const std::string& dir) override { Record("stopped " + dir); }
    void On_ChangesLost(const std::string& dir) override { Record("lost " + dir); }

    std::vector<std::string> Events() const;
    std::vector<DWORD> Threads() const;
    // The events without "modified": how many of those a write gives is up
    // to the system.
    std::vector<std::string> EventsWithoutModified() const;
    bool Has(const std::string& event) const;
    // Waits (dispatching this thread's messages) until the event arrived.
    bool WaitForEvent(const std::string& event);

protected:
    virtual void Record(const std::string& event);

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    std::vector<DWORD> m_threads;
};

// Holds the worker before it walks its first buffer (the worker hands the
// directory name to the handler first), so that a test can change things
// meanwhile.
class CHoldingHandler : public CRecordingHandler {
public:
    CHoldingHandler();
    ~CHoldingHandler() override;
    void SetChangedDirectoryName(const std::string& directory) override;
    bool WaitUntilHeld();
    void Resume();

private:
    CUniqueHandle m_entered;
    CUniqueHandle m_release;
    bool m_held = false; // worker thread only
};

// Another handle of this process on the same directory as the one given (a
// watcher's), or null.
HANDLE FindDirectoryHandle(const std::string& dir);

// Runs the helper program on dir with the given steps and waits for it.
bool RunFileOps(const std::string& dir, const std::vector<std::string>& steps);

// Kernel handles this process holds.
DWORD HandleCount();

} // namespace dirwatch_wine
