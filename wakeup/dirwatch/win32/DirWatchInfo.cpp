#include "wakeup/dirwatch/win32/DirWatchInfo.h"

#include "wakeup/dirwatch/win32/LastError.h"

CDirWatchInfo::CDirWatchInfo(CUniqueHandle directoryHandle, const std::string& directory,
                             CDirectoryChangeHandler* handler, DWORD notifyFilter,
                             BOOL watchSubtree, BOOL appHasGUI, const char* includeFilter,
                             const char* excludeFilter, DWORD filterFlags)
    : m_hDirectory(std::move(directoryHandle)), m_dwNotifyFilter(notifyFilter),
      m_bWatchSubtree(watchSubtree), m_strDirectory(directory), m_buffer(),
      m_hRequestDone(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    if (!m_hRequestDone)
        m_dwEventError = LastErrorOr(ERROR_OUTOFMEMORY);
    // The wrapper starts with the one reference this watch holds.
    m_pChangeHandler.Attach(new CDelayedDirectoryChangeHandler(handler, appHasGUI, includeFilter,
                                                               excludeFilter, filterFlags));
    m_pChangeHandler->SetRelativePathOffset(directory);
    ZeroMemory(&m_overlapped, sizeof m_overlapped);
}

CDirWatchInfo::~CDirWatchInfo() {
    m_pChangeHandler->CutOff();
}

CDirectoryChangeHandler* CDirWatchInfo::GetRealChangeHandler() const {
    return m_pChangeHandler->GetRealChangeHandler();
}

DWORD CDirWatchInfo::GetDeliveryError() const {
    return m_dwEventError ? m_dwEventError : m_pChangeHandler->GetDeliveryError();
}

int CDirWatchInfo::GetState() {
    std::lock_guard<std::mutex> guard(m_csState);
    return m_nState;
}

void CDirWatchInfo::SetState(int state) {
    std::lock_guard<std::mutex> guard(m_csState);
    m_nState = state;
}

BOOL CDirWatchInfo::ReadDirectoryChanges() {
    // The carry is a multiple of 4, so the read buffer stays DWORD-aligned.
    return ReadDirectoryChangesW(m_hDirectory.Get(), m_buffer + m_dwCarry,
                                 CHANGE_BUFFER_SIZE - m_dwCarry, m_bWatchSubtree, m_dwNotifyFilter,
                                 &m_dwBytesReturned, &m_overlapped, nullptr);
}

void CDirWatchInfo::ProcessCompletedRead(DWORD bytes) {
    m_pChangeHandler->SetChangedDirectoryName(m_strDirectory);
    m_dwCarry =
        ::ProcessCompletedRead(m_buffer, m_dwCarry, bytes, m_strDirectory, m_pChangeHandler.Get());
}

DWORD CDirWatchInfo::StartMonitoring(HANDLE completionPort) {
    SetState(WATCH_STATE_START_REQUESTED);
    if (!PostQueuedCompletionStatus(completionPort, sizeof(DWORD),
                                    reinterpret_cast<ULONG_PTR>(this), &m_overlapped))
        return LastErrorOr(ERROR_INVALID_HANDLE);
    WaitForSingleObject(m_hRequestDone.Get(), INFINITE);
    return m_dwError;
}

bool CDirWatchInfo::StopMonitoring(HANDLE completionPort) {
    SetState(WATCH_STATE_STOP_REQUESTED);
    if (!PostQueuedCompletionStatus(completionPort, sizeof(DWORD),
                                    reinterpret_cast<ULONG_PTR>(this), &m_overlapped))
        return false;
    WaitForSingleObject(m_hRequestDone.Get(), INFINITE);
    return true;
}
