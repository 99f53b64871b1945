#include "wakeup/dirwatch/win32/DirWatchInfo.h"

#include <new>

#include "wakeup/dirwatch/win32/DelayedDirectoryChangeHandler.h"
#include "wakeup/platform/win32/MessageWait.h"

CDirWatchInfo::CDirWatchInfo(CUniqueHandle directoryHandle, const std::string& directory,
                             CDirectoryChangeHandler* handler, DWORD notifyFilter,
                             BOOL watchSubtree, BOOL appHasGUI, const char* includeFilter,
                             const char* excludeFilter, DWORD filterFlags)
    : m_hDirectory(std::move(directoryHandle)), m_dwNotifyFilter(notifyFilter),
      m_bWatchSubtree(watchSubtree), m_strDirectory(directory), m_buffer(),
      m_hStartStopEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    m_pChangeHandler = new (std::nothrow) CDelayedDirectoryChangeHandler(
        handler, appHasGUI, includeFilter, excludeFilter, filterFlags);
    if (m_pChangeHandler) {
        m_pChangeHandler->SetRelativePathOffset(directory);
        if (handler)
            handler->AddRef(); // every watch holds one reference
    }
    ZeroMemory(&m_overlapped, sizeof m_overlapped);
}

CDirWatchInfo::~CDirWatchInfo() {
    if (m_pChangeHandler) {
        // Notifications still queued meet a wrapper without a handler and
        // are dropped.
        if (CDirectoryChangeHandler* handler = m_pChangeHandler->SetRealChangeHandler(nullptr))
            handler->Release();
    }
    CloseDirectoryHandle();
    if (m_pChangeHandler)
        m_pChangeHandler->Release();
}

CDirectoryChangeHandler* CDirWatchInfo::GetRealChangeHandler() const {
    return m_pChangeHandler ? m_pChangeHandler->GetRealChangeHandler() : nullptr;
}

CDirectoryChangeHandler* CDirWatchInfo::SetRealChangeHandler(CDirectoryChangeHandler* handler) {
    return m_pChangeHandler ? m_pChangeHandler->SetRealChangeHandler(handler) : nullptr;
}

DWORD CDirWatchInfo::GetDeliveryError() const {
    if (!m_pChangeHandler || !m_hStartStopEvent)
        return ERROR_OUTOFMEMORY;
    return m_pChangeHandler->GetDeliveryError();
}

void CDirWatchInfo::CloseDirectoryHandle() {
    m_hDirectory.Reset();
}

int CDirWatchInfo::GetState() {
    std::lock_guard<std::mutex> guard(m_csProperties);
    return m_nState;
}

void CDirWatchInfo::SetState(int state) {
    std::lock_guard<std::mutex> guard(m_csProperties);
    m_nState = state;
}

BOOL CDirWatchInfo::ReadDirectoryChanges() {
    // The carry is a multiple of 4, so the read buffer stays DWORD-aligned.
    return ReadDirectoryChangesW(m_hDirectory.Get(), m_buffer + m_dwCarry,
                                 CHANGE_BUFFER_SIZE - m_dwCarry, m_bWatchSubtree, m_dwNotifyFilter,
                                 &m_dwBytesReturned, &m_overlapped, nullptr);
}

void CDirWatchInfo::ProcessCompletedRead(DWORD bytes) {
    if (m_pChangeHandler)
        m_pChangeHandler->SetChangedDirectoryName(m_strDirectory);
    m_dwCarry =
        ::ProcessCompletedRead(m_buffer, m_dwCarry, bytes, m_strDirectory, m_pChangeHandler);
}

DWORD CDirWatchInfo::StartMonitoring(HANDLE completionPort) {
    {
        std::lock_guard<std::mutex> guard(m_csProperties);
        m_nState = WATCH_STATE_START_REQUESTED;
        PostQueuedCompletionStatus(completionPort, sizeof(DWORD), reinterpret_cast<ULONG_PTR>(this),
                                   &m_overlapped);
    }
    // The worker only issues the first read and queues On_WatchStarted, so no
    // message needs to be dispatched meanwhile.
    while (WaitForSingleObject(m_hStartStopEvent.Get(), 10000) == WAIT_TIMEOUT) {
    }
    ResetEvent(m_hStartStopEvent.Get());
    return m_dwError;
}

BOOL CDirWatchInfo::StopMonitoring(HANDLE completionPort) {
    if (!SignalShutdown(completionPort))
        return FALSE;
    return WaitForShutdown();
}

BOOL CDirWatchInfo::SignalShutdown(HANDLE completionPort) {
    std::lock_guard<std::mutex> guard(m_csProperties);
    m_nState = WATCH_STATE_STOP_REQUESTED;
    return PostQueuedCompletionStatus(completionPort, sizeof(DWORD),
                                      reinterpret_cast<ULONG_PTR>(this), &m_overlapped);
}

BOOL CDirWatchInfo::WaitForShutdown() {
    // On_WatchStopped may have to be delivered through a hidden window of
    // this very thread before the worker can finish the stop.
    WaitDispatchingMessages(m_hStartStopEvent.Get());
    ResetEvent(m_hStartStopEvent.Get());
    return TRUE;
}
