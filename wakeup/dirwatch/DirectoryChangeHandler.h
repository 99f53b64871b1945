#pragma once
// The interface through which an application learns of changes in a watched
// directory. Portable: no <windows.h>; error codes are the system's 32-bit
// values.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class CDirectoryChangeHandler;

// What a handler needs of the watcher that uses it: ending every watch that
// uses the handler. CDirectoryChangeWatcher implements it.
class IHandlerWatcher {
public:
    virtual ~IHandlerWatcher() = default;
    // True when at least one watch used the handler and has ended.
    virtual bool UnwatchAllDirectoriesForHandler(CDirectoryChangeHandler* handler) = 0;
};

class CDirectoryChangeHandler {
public:
    CDirectoryChangeHandler() = default;
    CDirectoryChangeHandler(const CDirectoryChangeHandler&) = delete;
    CDirectoryChangeHandler& operator=(const CDirectoryChangeHandler&) = delete;
    // Ends the watches that still use this handler, so that none outlives it.
    virtual ~CDirectoryChangeHandler();

    // Paths are the watched directory string, one backslash and the name
    // relative to it, in the ANSI code page.
    virtual void On_FileAdded(const std::string& path);
    virtual void On_FileRemoved(const std::string& path);
    virtual void On_FileRenamed(const std::string& oldPath, const std::string& newPath);
    virtual void On_FileModified(const std::string& path);
    // The directory is no longer watched when this arrives.
    virtual void On_ReadDirectoryChangesError(uint32_t error, const std::string& directory);
    virtual void On_WatchStarted(uint32_t error, const std::string& directory);
    virtual void On_WatchStopped(const std::string& directory);
    // Veto of one change; action is a NOTIFY_ id, newName is null except for
    // renames. True delivers the change.
    virtual bool On_FilterChange(uint32_t action, const char* name, const char* newName);
    // The system dropped changes of the directory (its change buffer
    // overflowed); the watch goes on. Whatever depends on the directory's
    // content should be read again.
    virtual void On_ChangesLost(const std::string& directory);

    long AddRef();
    // Deletes the handler when the count reaches 0.
    long Release();

    // One watcher at a time: attaching to a second watcher first ends every
    // watch of the first that uses this handler. Returns the use count.
    long AttachToWatcher(IHandlerWatcher* watcher);
    long DetachFromWatcher(IHandlerWatcher* watcher);
    bool ReleaseFromWatcher();
    IHandlerWatcher* GetWatcher() const;
    long GetWatcherUseCount() const;

    virtual void SetChangedDirectoryName(const std::string& directory);
    virtual std::string GetChangedDirectoryName() const;

private:
    std::atomic<long> m_nRefCount{1};
    mutable std::mutex m_csName; // the name is written by the worker, read anywhere
    std::string m_strChangedDirectoryName;
    IHandlerWatcher* m_pWatcher = nullptr;
    std::atomic<long> m_nWatcherUseCount{0};
    // Guards m_pWatcher and the use count. It is never held while the
    // watcher is called, so that it never waits for the watcher's table lock
    // (which is held while this lock is taken to detach).
    mutable std::mutex m_csWatcher;
};
