#pragma once
// Watches directories for changes: each watched directory is read with
// overlapped ReadDirectoryChangesW; all directories of one watcher share one
// completion port and one worker thread, which walks each filled change
// buffer and hands the changes to the directory's handler through the
// delayed delivery (the hidden window of the thread that started the watch,
// or the notification thread).
#include <windows.h>

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
    virtual ~CDirectoryChangeWatcher();
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
    // The previous flags; affects later watches only.
    DWORD SetFilterFlags(DWORD filterFlags);

protected:
    // First and last calls on the worker thread.
    virtual void On_ThreadStart() {}
    virtual void On_ThreadExit() {}

private:
    static unsigned __stdcall MonitorDirectoryChangesThread(void* param);
    void MonitorDirectoryChanges(HANDLE completionPort);
    void ProcessPacket(CDirWatchInfo* watch, DWORD bytes, BOOL dequeued);
    void ReportFailedRead(CDirWatchInfo* watch);
    void DeleteWatchInfo(CDirWatchInfo* watch, IHandlerWatcher* watcher);
    // With the table lock held: takes out the watches whose reads failed.
    std::vector<CDirWatchInfo*> TakeFailedWatches() const;
    void DeleteFailedWatches() const;
    int FindDirectory(const std::string& directory) const;
    // Stops a watch already taken out of the table and deletes it.
    void StopAndDelete(CDirWatchInfo* watch);

    CUniqueHandle m_hCompletionPort;
    CUniqueHandle m_hWorkerThread;
    DWORD m_dwWorkerThreadId = 0;
    mutable std::vector<CDirWatchInfo*> m_watchTable;
    // Guards the table only; never held while a stop or start waits for the
    // worker, nor while a handler is called.
    mutable std::recursive_mutex m_csWatchTable;
    bool m_bAppHasGUI;
    DWORD m_dwFilterFlags;
};
