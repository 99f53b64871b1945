#pragma once
// Watches directories for changes: each watched directory is read with
// overlapped ReadDirectoryChangesW; all directories of one watcher share one
// completion port and one worker thread, which walks each filled change
// buffer and hands the changes to the directory's handler through the
// delayed delivery (the hidden window of the thread that started the watch,
// or the notification thread). The worker never waits for a delivery, so a
// handler may use the watcher from any of its callbacks.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "wakeup/dirwatch/ChangeFilter.h"
#include "wakeup/dirwatch/DirectoryChangeHandler.h"
#include "common/win32/Owners.h"

class CDirWatchInfo;

class CDirectoryChangeWatcher : public IHandlerWatcher {
public:
    // appHasGUI: TRUE delivers the callbacks on the thread that starts each
    // watch (it must run a message loop), FALSE on the notification thread.
    // filterFlags 0 means FILTER_FLAG_FILE_NAME_ONLY.
    explicit CDirectoryChangeWatcher(BOOL appHasGUI = TRUE,
                                     DWORD filterFlags = FILTER_FLAGS_DEFAULT);
    ~CDirectoryChangeWatcher() override;
    CDirectoryChangeWatcher(const CDirectoryChangeWatcher&) = delete;
    CDirectoryChangeWatcher& operator=(const CDirectoryChangeWatcher&) = delete;

    // Win32 error code, 0 when the watch runs. A second watch of a watched
    // directory (letter case aside) ends the first.
    DWORD WatchDirectory(const std::string& directory, DWORD notifyFilter,
                         CDirectoryChangeHandler* handler, BOOL watchSubtree = FALSE,
                         const char* includeFilter = nullptr, const char* excludeFilter = nullptr);
    // Returns after the handler has run On_WatchStopped.
    BOOL UnwatchDirectory(const std::string& directory);
    BOOL UnwatchAllDirectories();
    bool UnwatchAllDirectoriesForHandler(CDirectoryChangeHandler* handler) override;
    BOOL IsWatchingDirectory(const std::string& directory) const;
    int GetWatchedDirectoryCount() const;

private:
    using WatchPtr = std::unique_ptr<CDirWatchInfo>;

    static unsigned __stdcall MonitorDirectoryChangesThread(void* param);
    void MonitorDirectoryChanges(HANDLE completionPort);
    void ProcessPacket(CDirWatchInfo* watch, DWORD bytes, BOOL dequeued);
    void ReportFailedRead(CDirWatchInfo* watch);

    // With the table lock held.
    std::vector<WatchPtr> TakeFailedWatches() const;
    int FindDirectory(const std::string& directory) const;
    // Takes a running watch out of the table for its stop.
    WatchPtr TakeForStop(size_t index);

    void DeleteFailedWatches() const;
    // Stops a watch taken out by TakeForStop and deletes it.
    void StopAndDelete(WatchPtr watch);
    // Deletes a watch that had been handed to its handler, once its last
    // notice has been delivered.
    void DeleteWatch(WatchPtr watch);
    // Ends the worker and the port unless a watch or a request still needs
    // them.
    void EndWorkerIfIdle();
    void EndWorker(CUniqueHandle thread, CUniqueHandle port);

    // Guards the table, the port and worker members and the count of
    // requests in flight; never held while a start or stop waits for the
    // worker, nor while a handler is called.
    mutable std::recursive_mutex m_csWatchTable;
    mutable std::vector<WatchPtr> m_watchTable;
    CUniqueHandle m_hCompletionPort;
    CUniqueHandle m_hWorkerThread;
    // Starts and stops that still need the worker: it is not ended under them.
    int m_nRequestsInFlight = 0;
    bool m_bAppHasGUI;
    DWORD m_dwFilterFlags;
};
