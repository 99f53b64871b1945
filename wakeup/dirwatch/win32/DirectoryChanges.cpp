#include "wakeup/dirwatch/win32/DirectoryChanges.h"

#include <process.h>

#include <mutex>
#include <new>

#include "wakeup/dirwatch/win32/DelayedDirectoryChangeHandler.h"
#include "wakeup/dirwatch/win32/DirWatchInfo.h"
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

DWORD Fail(DWORD error) {
    SetLastError(error);
    return error;
}

// Raises the worker's priority while it reports a failed read, and restores
// it whatever happens.
class CPriorityRaise {
public:
    CPriorityRaise() : m_nPrevious(GetThreadPriority(GetCurrentThread())) {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    }
    ~CPriorityRaise() { SetThreadPriority(GetCurrentThread(), m_nPrevious); }

private:
    int m_nPrevious;
};

} // namespace

CDirectoryChangeWatcher::CDirectoryChangeWatcher(BOOL appHasGUI, DWORD filterFlags)
    : m_bAppHasGUI(appHasGUI != FALSE),
      m_dwFilterFlags(filterFlags ? filterFlags : FILTER_FLAGS_DEFAULT) {}

CDirectoryChangeWatcher::~CDirectoryChangeWatcher() {
    UnwatchAllDirectories();
    m_hCompletionPort.Reset(); // still open when a thread start failed
}

DWORD CDirectoryChangeWatcher::SetFilterFlags(DWORD filterFlags) {
    const DWORD previous = m_dwFilterFlags;
    m_dwFilterFlags = filterFlags ? filterFlags : FILTER_FLAGS_DEFAULT;
    return previous;
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
        return Fail(GetLastError());
    const HANDLE rawDirectory = directoryHandle.Get();

    CDirWatchInfo* watch = nullptr;
    try {
        watch = new CDirWatchInfo(std::move(directoryHandle), directory, handler, notifyFilter,
                                  watchSubtree, m_bAppHasGUI, includeFilter, excludeFilter,
                                  m_dwFilterFlags);
    } catch (const std::bad_alloc&) {
        return Fail(ERROR_OUTOFMEMORY);
    }
    // Without its hidden window (or thread) no callback could be delivered,
    // and a stop would wait for ever for On_WatchStopped: fail instead.
    if (const DWORD error = watch->GetDeliveryError()) {
        DeleteWatchInfo(watch, nullptr);
        return Fail(error);
    }

    const HANDLE port = CreateIoCompletionPort(rawDirectory, m_hCompletionPort.Get(),
                                               reinterpret_cast<ULONG_PTR>(watch), 0);
    if (!port) {
        const DWORD error = GetLastError();
        DeleteWatchInfo(watch, nullptr);
        return Fail(error);
    }
    if (!m_hCompletionPort)
        m_hCompletionPort.Reset(port); // later calls return the same port

    if (!m_hWorkerThread) {
        unsigned id = 0;
        const uintptr_t thread =
            _beginthreadex(nullptr, 0, MonitorDirectoryChangesThread, this, 0, &id);
        if (!thread) {
            const DWORD error = GetLastError();
            DeleteWatchInfo(watch, nullptr);
            return Fail(error ? error : ERROR_MAX_THRDS_REACHED);
        }
        m_hWorkerThread.Reset(reinterpret_cast<HANDLE>(thread));
        m_dwWorkerThreadId = id;
    }

    // Room in the table before the watch starts, so that a running watch
    // never ends up outside it.
    try {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        m_watchTable.reserve(m_watchTable.size() + 1);
    } catch (const std::bad_alloc&) {
        DeleteWatchInfo(watch, nullptr);
        return Fail(ERROR_OUTOFMEMORY);
    }

    const DWORD result = watch->StartMonitoring(m_hCompletionPort.Get());
    if (result) {
        DeleteWatchInfo(watch, nullptr);
        return Fail(result);
    }
    handler->AttachToWatcher(this);
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        bool placed = false;
        for (auto& slot : m_watchTable) {
            if (!slot) {
                slot = watch;
                placed = true;
                break;
            }
        }
        if (!placed)
            m_watchTable.push_back(watch); // capacity reserved above unless re-entered
    }
    return Fail(0);
}

std::vector<CDirWatchInfo*> CDirectoryChangeWatcher::TakeFailedWatches() const {
    std::vector<CDirWatchInfo*> failed;
    for (auto& slot : m_watchTable) {
        if (slot && slot->HasFailed()) {
            failed.push_back(slot);
            slot = nullptr;
        }
    }
    return failed;
}

void CDirectoryChangeWatcher::DeleteFailedWatches() const {
    std::vector<CDirWatchInfo*> failed;
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        failed = TakeFailedWatches();
    }
    // Lookups are const to the caller, but the dead entries they meet go.
    auto* self = const_cast<CDirectoryChangeWatcher*>(this);
    for (CDirWatchInfo* watch : failed)
        self->DeleteWatchInfo(watch, self);
}

int CDirectoryChangeWatcher::FindDirectory(const std::string& directory) const {
    for (size_t i = 0; i < m_watchTable.size(); ++i)
        if (m_watchTable[i] && SameDirectory(m_watchTable[i]->GetDirectory(), directory))
            return static_cast<int>(i);
    return -1;
}

void CDirectoryChangeWatcher::StopAndDelete(CDirWatchInfo* watch) {
    watch->StopMonitoring(m_hCompletionPort.Get());
    DeleteWatchInfo(watch, this);
}

BOOL CDirectoryChangeWatcher::UnwatchDirectory(const std::string& directory) {
    if (!m_hCompletionPort)
        return FALSE;
    DeleteFailedWatches();
    CDirWatchInfo* watch = nullptr;
    {
        // The watch leaves the table before the stop, and the lock is not
        // held while the stop waits for the worker: the worker may be waiting
        // for a delivery thread that itself waits for this lock.
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        const int index = FindDirectory(directory);
        if (index < 0)
            return FALSE;
        watch = m_watchTable[static_cast<size_t>(index)];
        m_watchTable[static_cast<size_t>(index)] = nullptr;
    }
    StopAndDelete(watch);
    return TRUE;
}

BOOL CDirectoryChangeWatcher::UnwatchAllDirectories() {
    if (!m_hWorkerThread)
        return FALSE;
    DeleteFailedWatches();
    std::vector<CDirWatchInfo*> watches;
    {
        std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
        watches.swap(m_watchTable);
    }
    for (CDirWatchInfo* watch : watches)
        if (watch)
            StopAndDelete(watch);
    PostQueuedCompletionStatus(m_hCompletionPort.Get(), 0, 0, nullptr);
    WaitForSingleObject(m_hWorkerThread.Get(), INFINITE);
    m_hWorkerThread.Reset();
    m_dwWorkerThreadId = 0;
    m_hCompletionPort.Reset();
    return TRUE;
}

bool CDirectoryChangeWatcher::UnwatchAllDirectoriesForHandler(CDirectoryChangeHandler* handler) {
    bool found = false;
    for (;;) {
        CDirWatchInfo* watch = nullptr;
        std::vector<CDirWatchInfo*> failed;
        {
            std::lock_guard<std::recursive_mutex> guard(m_csWatchTable);
            failed = TakeFailedWatches();
            for (auto& slot : m_watchTable) {
                if (slot && slot->GetRealChangeHandler() == handler) {
                    watch = slot;
                    slot = nullptr;
                    break;
                }
            }
        }
        for (CDirWatchInfo* dead : failed) {
            // A watch of this handler that ended on a read error has ended too.
            found = found || dead->GetRealChangeHandler() == handler;
            DeleteWatchInfo(dead, this);
        }
        if (!watch)
            return found;
        found = true;
        StopAndDelete(watch);
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
    int count = 0;
    for (CDirWatchInfo* watch : m_watchTable)
        if (watch)
            ++count;
    return count;
}

void CDirectoryChangeWatcher::DeleteWatchInfo(CDirWatchInfo* watch, IHandlerWatcher* watcher) {
    if (!watch)
        return;
    if (watcher)
        if (CDirectoryChangeHandler* handler = watch->GetRealChangeHandler())
            handler->DetachFromWatcher(watcher);
    delete watch;
}

unsigned __stdcall CDirectoryChangeWatcher::MonitorDirectoryChangesThread(void* param) {
    auto* watcher = static_cast<CDirectoryChangeWatcher*>(param);
    // The port is read here once: it does not change while the thread runs.
    watcher->MonitorDirectoryChanges(watcher->m_hCompletionPort.Get());
    return 0;
}

void CDirectoryChangeWatcher::MonitorDirectoryChanges(HANDLE completionPort) {
    // Nothing thrown may end this loop: a start or stop waiting for it would
    // wait for ever.
    try {
        On_ThreadStart();
    } catch (...) {
    }
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
    try {
        On_ThreadExit();
    } catch (...) {
    }
}

void CDirectoryChangeWatcher::ProcessPacket(CDirWatchInfo* watch, DWORD bytes, BOOL dequeued) {
    CDelayedDirectoryChangeHandler* wrapper = watch->GetChangeHandler();
    const std::string& directory = watch->GetDirectory();
    switch (watch->GetState()) {
    case WATCH_STATE_START_REQUESTED: {
        DWORD error = 0;
        if (watch->ReadDirectoryChanges()) {
            watch->SetState(WATCH_STATE_MONITORING);
        } else {
            error = GetLastError();
            if (!error)
                error = ERROR_INVALID_FUNCTION;
        }
        watch->SetError(error);
        if (wrapper)
            wrapper->On_WatchStarted(error, directory);
        watch->SignalRequestDone(); // the requesting side may delete the watch now
        break;
    }
    case WATCH_STATE_STOP_REQUESTED:
        if (watch->DirectoryHandleOpen()) {
            // The pending read completes and comes back as a further packet.
            watch->CloseDirectoryHandle();
            watch->SetState(WATCH_STATE_STOPPED);
            if (wrapper)
                wrapper->On_WatchStopped(directory);
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
    CPriorityRaise raise;
    DWORD error = GetLastError();
    if (!error)
        error = ERROR_INVALID_FUNCTION;
    watch->SetError(error);
    try {
        if (CDelayedDirectoryChangeHandler* wrapper = watch->GetChangeHandler())
            wrapper->On_ReadDirectoryChangesError(error, watch->GetDirectory());
    } catch (...) {
    }
    // The watch leaves the table on the requesting side (the next public
    // call): taking the table lock here could wait for a thread that holds it
    // while it waits for this worker.
    watch->CloseDirectoryHandle();
    watch->MarkFailed();
}
