#pragma once
// The state of one watched directory: its handle, its change buffer, its
// wrapper handler, its state, and the handshake with which the thread that
// starts or stops the watch hands its request to the worker thread.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

#include "wakeup/dirwatch/FileNotifyInformation.h"
#include "wakeup/dirwatch/win32/DelayedDirectoryChangeHandler.h"
#include "common/win32/Owners.h"

enum {
    WATCH_STATE_NONE = 0,
    WATCH_STATE_START_REQUESTED = 1,
    WATCH_STATE_STOP_REQUESTED = 2,
    WATCH_STATE_STOPPED = 3,
    WATCH_STATE_MONITORING = 5,
};

class CDirWatchInfo {
public:
    // Takes over the directory handle. Throws std::bad_alloc.
    CDirWatchInfo(CUniqueHandle directoryHandle, const std::string& directory,
                  CDirectoryChangeHandler* handler, DWORD notifyFilter, BOOL watchSubtree,
                  BOOL appHasGUI, const char* includeFilter, const char* excludeFilter,
                  DWORD filterFlags);
    // Notifications still queued meet a wrapper without a handler and are
    // dropped.
    ~CDirWatchInfo();
    CDirWatchInfo(const CDirWatchInfo&) = delete;
    CDirWatchInfo& operator=(const CDirWatchInfo&) = delete;

    CDelayedDirectoryChangeHandler* GetChangeHandler() const { return m_pChangeHandler.Get(); }
    CDirectoryChangeHandler* GetRealChangeHandler() const;
    // 0 when callbacks can be delivered, else why not.
    DWORD GetDeliveryError() const;
    const std::string& GetDirectory() const { return m_strDirectory; }

    // Requesting side (the thread that calls WatchDirectory and the unwatch
    // operations). Each returns once the worker has handled the request; the
    // worker waits for nothing, so neither can hang.
    DWORD StartMonitoring(HANDLE completionPort);
    // False when the request could not be handed to the worker.
    bool StopMonitoring(HANDLE completionPort);
    // Returns once the watch's last notice (On_WatchStopped or the read
    // error) has been delivered: only then may the watch be deleted.
    void WaitForLastNotice() { m_pChangeHandler->WaitForLastNotice(); }

    // Worker side.
    int GetState();
    void SetState(int state);
    // Issues the next read into the buffer behind the carried record.
    BOOL ReadDirectoryChanges();
    // Walks the completed read and keeps the carry for the next one.
    void ProcessCompletedRead(DWORD bytes);
    void CloseDirectoryHandle() { m_hDirectory.Reset(); }
    bool DirectoryHandleOpen() const { return m_hDirectory.Valid(); }
    void SetError(DWORD error) { m_dwError = error; }
    void SignalRequestDone() { SetEvent(m_hRequestDone.Get()); }
    // Set by the worker after a failed re-arm, as its last touch of this
    // watch: the requesting side then takes the watch out and deletes it.
    void MarkFailed() { m_bFailed.store(true, std::memory_order_release); }
    bool HasFailed() const { return m_bFailed.load(std::memory_order_acquire); }

private:
    CComPtr<CDelayedDirectoryChangeHandler> m_pChangeHandler;
    CUniqueHandle m_hDirectory;
    DWORD m_dwNotifyFilter;
    BOOL m_bWatchSubtree;
    std::string m_strDirectory;
    alignas(8) unsigned char m_buffer[CHANGE_BUFFER_SIZE];
    DWORD m_dwCarry = 0; // where the next read goes (a carried rename before it)
    DWORD m_dwBytesReturned = 0;
    OVERLAPPED m_overlapped;
    DWORD m_dwError = 0;
    std::mutex m_csState;
    CUniqueHandle m_hRequestDone; // auto-reset: one wait per request
    DWORD m_dwEventError = 0;
    int m_nState = WATCH_STATE_NONE;
    std::atomic<bool> m_bFailed{false};
};
