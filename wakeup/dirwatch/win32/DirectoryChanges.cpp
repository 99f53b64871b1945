#include "wakeup/dirwatch/win32/DirectoryChanges.h"

#include <process.h>

#include <mutex>
#include <new>
#include <utility>

#include "wakeup/dirwatch/win32/DirWatchInfo.h"
#include "wakeup/dirwatch/win32/LastError.h"
#include "wakeup/platform/CodePage.h"
#include "wakeup/platform/win32/Win32Privileges.h"

namespace {

// Backup semantics need these to open every directory; the results do not
// matter for directories the user may read anyway.
void EnableWatchPrivilegesOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        AdjustProcessTokenPrivilege("SeBackupPrivilege", TRUE, nullptr);
        AdjustProcessTokenPrivilege("SeRestorePrivilege", TRUE, nullptr);
        AdjustProcessTokenPrivilege("SeChangeNotifyPrivilege", TRUE, nullptr);
    });
}

// Whole strings, letter case aside, as the file system compares names.
bool SameDirectory(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    const std::u16string wa = ActiveCodePage().ToUtf16(a), wb = ActiveCodePage().ToUtf16(b);
    return CompareStringOrdinal(reinterpret_cast<const wchar_t*>(wa.c_str()),
                                static_cast<int>(wa.size()),
                                reinterpret_cast<const wchar_t*>(wb.c_str()),
                                static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
}

// Every result of WatchDirectory goes through here, so that the last error
// always matches it.
DWORD Fail(DWORD error) {
    SetLastError(error);
    return error;
}

} // namespace

CDirectoryChangeWatcher::CDirectoryChangeWatcher(BOOL appHasGUI, DWORD filterFlags)
    : m_bAppHasGUI(appHasGUI != FALSE),
      m_dwFilterFlags(filterFlags ? filterFlags : FILTER_FLAGS_DEFAULT) {}

CDirectoryChangeWatcher::~CDirectoryChangeWatcher() {
    UnwatchAllDirectories();
    // A request still in flight on another thread kept the worker above; it
    // cannot outlive the watcher whose members it reads.
    CUniqueHandle thread, port;
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        thread = std::move(m_hWorkerThread);
        port = std::move(m_hCompletionPort);
    }
    EndWorker(std::move(thread), std::move(port));
}

DWORD CDirectoryChangeWatcher::WatchDirectory(const std::string& directory, DWORD notifyFilter,
                                              CDirectoryChangeHandler* handler, BOOL watchSubtree,
                                              const char* includeFilter,
                                              const char* excludeFilter) {
    if (directory.empty() || notifyFilter == 0 || !handler)
        return Fail(ERROR_INVALID_PARAMETER);
    const DWORD attributes = GetFileAttributesA(directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Fail(ERROR_BAD_PATHNAME);
    if (IsWatchingDirectory(directory))
        UnwatchDirectory(directory);
    EnableWatchPrivilegesOnce();

    CUniqueHandle directoryHandle(CreateFileA(
        directory.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    if (!directoryHandle)
        return Fail(LastErrorOr(ERROR_BAD_PATHNAME));
    const HANDLE rawDirectory = directoryHandle.Get();

    WatchPtr watch;
    try {
        watch = std::make_unique<CDirWatchInfo>(std::move(directoryHandle), directory, handler,
                                                notifyFilter, watchSubtree, m_bAppHasGUI,
                                                includeFilter, excludeFilter, m_dwFilterFlags);
    } catch (const std::bad_alloc&) {
        return Fail(ERROR_OUTOFMEMORY);
    }
    // Without its hidden window (or thread) no callback could be delivered,
    // and a stop would wait for ever for On_WatchStopped: fail instead.
    if (const DWORD error = watch->GetDeliveryError())
        return Fail(error);

    HANDLE port;
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        // Room in the table before the watch starts, so that a running watch
        // never ends up outside it.
        try {
            m_watchTable.reserve(m_watchTable.size() + 1);
        } catch (const std::bad_alloc&) {
            return Fail(ERROR_OUTOFMEMORY);
        }
        port = CreateIoCompletionPort(rawDirectory, m_hCompletionPort.Get(),
                                      reinterpret_cast<ULONG_PTR>(watch.get()), 0);
        if (!port)
            return Fail(LastErrorOr(ERROR_INVALID_HANDLE));
        if (!m_hCompletionPort)
            m_hCompletionPort.Reset(port); // later calls return the same port
        if (!m_hWorkerThread) {
            m_hWorkerThread.Reset(reinterpret_cast<HANDLE>(
                _beginthreadex(nullptr, 0, MonitorDirectoryChangesThread, this, 0, nullptr)));
            if (!m_hWorkerThread)
                return Fail(LastErrorOr(ERROR_MAX_THRDS_REACHED));
        }
        ++m_nRequestsInFlight;
    }

    const DWORD result = watch->StartMonitoring(port);
    if (result == 0)
        handler->AttachToWatcher(this);
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        --m_nRequestsInFlight;
        if (result == 0)
            m_watchTable.push_back(std::move(watch)); // capacity reserved above
    }
    if (result) {
        EndWorkerIfIdle();
        return Fail(result);
    }
    return Fail(0);
}

BOOL CDirectoryChangeWatcher::UnwatchDirectory(const std::string& directory) {
    DeleteFailedWatches();
    WatchPtr watch;
    {
        // The watch leaves the table before the stop, and the lock is not
        // held while the stop waits: a handler may use the watcher from the
        // callbacks delivered meanwhile.
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        const int index = FindDirectory(directory);
        if (index < 0)
            return FALSE;
        watch = TakeForStop(static_cast<size_t>(index));
    }
    StopAndDelete(std::move(watch));
    return TRUE;
}

BOOL CDirectoryChangeWatcher::UnwatchAllDirectories() {
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        if (!m_hWorkerThread)
            return FALSE;
    }
    // Again until none is left: a handler may start a watch from a callback
    // delivered during a stop.
    for (;;) {
        DeleteFailedWatches();
        std::vector<WatchPtr> watches;
        {
            std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
            for (size_t i = 0; i < m_watchTable.size(); ++i)
                watches.push_back(TakeForStop(i));
        }
        if (watches.empty())
            break;
        for (WatchPtr& watch : watches)
            StopAndDelete(std::move(watch));
    }
    EndWorkerIfIdle();
    return TRUE;
}

bool CDirectoryChangeWatcher::UnwatchAllDirectoriesForHandler(CDirectoryChangeHandler* handler) {
    bool found = false;
    for (;;) {
        WatchPtr watch;
        std::vector<WatchPtr> failed;
        {
            std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
            failed = TakeFailedWatches();
            for (size_t i = 0; i < m_watchTable.size(); ++i) {
                if (m_watchTable[i]->GetRealChangeHandler() == handler) {
                    watch = TakeForStop(i);
                    break;
                }
            }
        }
        for (WatchPtr& dead : failed) {
            // A watch of this handler that ended on a read error has ended too.
            found = found || dead->GetRealChangeHandler() == handler;
            DeleteWatch(std::move(dead));
        }
        if (!watch)
            return found;
        found = true;
        StopAndDelete(std::move(watch));
    }
}

BOOL CDirectoryChangeWatcher::IsWatchingDirectory(const std::string& directory) const {
    DeleteFailedWatches();
    std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
    return FindDirectory(directory) >= 0;
}

int CDirectoryChangeWatcher::GetWatchedDirectoryCount() const {
    DeleteFailedWatches();
    std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
    return static_cast<int>(m_watchTable.size());
}

std::vector<CDirectoryChangeWatcher::WatchPtr> CDirectoryChangeWatcher::TakeFailedWatches() const {
    std::vector<WatchPtr> failed;
    for (auto it = m_watchTable.begin(); it != m_watchTable.end();) {
        if ((*it)->HasFailed()) {
            failed.push_back(std::move(*it));
            it = m_watchTable.erase(it);
        } else {
            ++it;
        }
    }
    return failed;
}

int CDirectoryChangeWatcher::FindDirectory(const std::string& directory) const {
    for (size_t i = 0; i < m_watchTable.size(); ++i)
        if (SameDirectory(m_watchTable[i]->GetDirectory(), directory))
            return static_cast<int>(i);
    return -1;
}

CDirectoryChangeWatcher::WatchPtr CDirectoryChangeWatcher::TakeForStop(size_t index) {
    WatchPtr watch = std::move(m_watchTable[index]);
    m_watchTable.erase(m_watchTable.begin() + static_cast<std::ptrdiff_t>(index));
    ++m_nRequestsInFlight;
    return watch;
}

void CDirectoryChangeWatcher::DeleteFailedWatches() const {
    std::vector<WatchPtr> failed;
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        failed = TakeFailedWatches();
    }
    // Lookups are const to the caller, but the dead entries they meet go.
    auto* self = const_cast<CDirectoryChangeWatcher*>(this);
    for (WatchPtr& watch : failed)
        self->DeleteWatch(std::move(watch));
}

void CDirectoryChangeWatcher::StopAndDelete(WatchPtr watch) {
    HANDLE port;
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        port = m_hCompletionPort.Get(); // kept open by the request in flight
    }
    watch->StopMonitoring(port);
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        --m_nRequestsInFlight;
    }
    DeleteWatch(std::move(watch));
}

void CDirectoryChangeWatcher::DeleteWatch(WatchPtr watch) {
    // The callbacks delivered meanwhile may use the watcher: the worker is
    // done with this watch and nothing here is locked.
    watch->WaitForLastNotice();
    if (CDirectoryChangeHandler* handler = watch->GetRealChangeHandler())
        handler->DetachFromWatcher(this);
}

void CDirectoryChangeWatcher::EndWorkerIfIdle() {
    CUniqueHandle thread, port;
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        if (m_nRequestsInFlight > 0 || !m_watchTable.empty())
            return; // a later call ends it
        thread = std::move(m_hWorkerThread);
        port = std::move(m_hCompletionPort);
    }
    EndWorker(std::move(thread), std::move(port));
}

void CDirectoryChangeWatcher::EndWorker(CUniqueHandle thread, CUniqueHandle port) {
    if (!thread)
        return;
    PostQueuedCompletionStatus(port.Get(), 0, 0, nullptr);
    WaitForSingleObject(thread.Get(), INFINITE);
}

unsigned __stdcall CDirectoryChangeWatcher::MonitorDirectoryChangesThread(void* param) {
    auto* watcher = static_cast<CDirectoryChangeWatcher*>(param);
    HANDLE port;
    {
        // Set before the thread was started; it stays open until the thread
        // has ended.
        std::lock_guard<std::recursive_mutex> guard(watcher->m_csWatchTable);
        port = watcher->m_hCompletionPort.Get();
    }
    watcher->MonitorDirectoryChanges(port);
    return 0;
}

void CDirectoryChangeWatcher::MonitorDirectoryChanges(HANDLE completionPort) {
    // Nothing thrown may end this loop: a start or stop waiting for it would
    // wait for ever.
    for (;;) {
        DWORD bytes = 0;
        ULONG_PTR key = 0;
        OVERLAPPED* overlapped = nullptr;
        const BOOL dequeued =
            GetQueuedCompletionStatus(completionPort, &bytes, &key, &overlapped, INFINITE);
        // No packet at all: the port itself is gone, nothing more will come.
        if (!dequeued && !overlapped)
            break;
        if (key == 0)
            break; // the shutdown packet
        // A failed packet with a key (the read cancelled by closing the
        // directory handle) is handled like any other for that watch.
        try {
            ProcessPacket(reinterpret_cast<CDirWatchInfo*>(key), bytes, dequeued);
        } catch (...) {
        }
    }
}

void CDirectoryChangeWatcher::ProcessPacket(CDirWatchInfo* watch, DWORD bytes, BOOL dequeued) {
    CDelayedDirectoryChangeHandler* wrapper = watch->GetChangeHandler();
    const std::string& directory = watch->GetDirectory();
    switch (watch->GetState()) {
    case WATCH_STATE_START_REQUESTED: {
        DWORD error = 0;
        if (watch->ReadDirectoryChanges())
            watch->SetState(WATCH_STATE_MONITORING);
        else
            error = LastErrorOr(ERROR_INVALID_FUNCTION);
        watch->SetError(error);
        wrapper->On_WatchStarted(error, directory);
        watch->SignalRequestDone(); // the requesting side may delete the watch now
        break;
    }
    case WATCH_STATE_STOP_REQUESTED:
        if (watch->DirectoryHandleOpen()) {
            // The pending read completes and comes back as a further packet.
            watch->CloseDirectoryHandle();
            watch->SetState(WATCH_STATE_STOPPED);
            wrapper->On_WatchStopped(directory); // queued, not waited for
        } else {
            watch->SignalRequestDone();
        }
        break;
    case WATCH_STATE_STOPPED:
        if (watch->DirectoryHandleOpen())
            watch->CloseDirectoryHandle();
        else
            watch->SignalRequestDone();
        break;
    case WATCH_STATE_MONITORING:
        try {
            // A failed completion says no more than a 0-byte one: changes
            // may have been lost.
            watch->ProcessCompletedRead(dequeued ? bytes : 0);
        } catch (...) {
            // Out of memory for a path: the rest of this buffer is lost, the
            // watch goes on.
        }
        if (watch->ReadDirectoryChanges())
            watch->SetError(0);
        else
            ReportFailedRead(watch);
        break;
    default:
        break;
    }
}

void CDirectoryChangeWatcher::ReportFailedRead(CDirWatchInfo* watch) {
    // The error first: the priority calls would replace it.
    const DWORD error = LastErrorOr(ERROR_INVALID_FUNCTION);
    // The worker's priority is raised while it reports the failure, and
    // restored whatever happens.
    const int previous = GetThreadPriority(GetCurrentThread());
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    const CScopeExit restore([previous] { SetThreadPriority(GetCurrentThread(), previous); });
    watch->SetError(error);
    // The last notice of the watch: whoever deletes the watch waits for its
    // delivery first, so the handler always hears why its watch ended.
    try {
        watch->GetChangeHandler()->On_ReadDirectoryChangesError(error, watch->GetDirectory());
    } catch (...) {
    }
    // The watch leaves the table on the requesting side (the next public
    // call): taking the table lock here could wait for a thread that holds it
    // while it waits for this worker.
    watch->CloseDirectoryHandle();
    watch->MarkFailed();
}
