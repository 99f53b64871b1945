#include "wakeup/dirwatch/win32/DelayedDirectoryChangeHandler.h"

#include <memory>
#include <new>

#include "wakeup/dirwatch/win32/DelayedNotificationPoster.h"
#include "wakeup/dirwatch/win32/LastError.h"
#include "wakeup/platform/win32/MessageWait.h"

namespace {

bool IsLastNotice(uint32_t id) {
    return id == NOTIFY_WATCH_STOPPED || id == NOTIFY_READ_ERROR;
}

} // namespace

CDirChangeNotification::CDirChangeNotification(CDelayedDirectoryChangeHandler* owner, uint32_t id,
                                               DWORD error, const std::string& firstName,
                                               const std::string* secondName)
    : m_pOwner(owner), m_nId(id), m_dwError(error), m_strFirstName(firstName),
      m_strSecondName(secondName ? *secondName : std::string()),
      m_bHasSecondName(secondName != nullptr) {}

void CDirChangeNotification::Dispatch() {
    m_pOwner->DispatchNotification(*this);
}

CDelayedDirectoryChangeHandler::CDelayedDirectoryChangeHandler(CDirectoryChangeHandler* appHandler,
                                                               BOOL appHasGUI,
                                                               const char* includeFilter,
                                                               const char* excludeFilter,
                                                               DWORD filterFlags)
    : m_pRealHandler(appHandler), m_dwFilterFlags(filterFlags),
      m_filter(includeFilter, excludeFilter, filterFlags),
      m_hLastNoticeDelivered(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
    if (!m_hLastNoticeDelivered)
        m_dwEventError = LastErrorOr(ERROR_OUTOFMEMORY);
    if (appHasGUI)
        m_pNotifier = std::make_unique<CDelayedNotificationWindow>();
    else
        m_pNotifier = std::make_unique<CDelayedNotificationThread>();
}

CDelayedDirectoryChangeHandler::~CDelayedDirectoryChangeHandler() = default;

DWORD CDelayedDirectoryChangeHandler::GetDeliveryError() const {
    return m_dwEventError ? m_dwEventError : m_pNotifier->GetStartError();
}

void CDelayedDirectoryChangeHandler::SetRelativePathOffset(const std::string& directory) {
    m_filter.SetRelativePathOffset(directory);
}

CDirectoryChangeHandler* CDelayedDirectoryChangeHandler::GetRealChangeHandler() const {
    std::lock_guard<std::mutex> guard(m_csRealHandler);
    return m_pRealHandler.Get();
}

void CDelayedDirectoryChangeHandler::CutOff() {
    CComPtr<CDirectoryChangeHandler> handler;
    {
        std::lock_guard<std::mutex> guard(m_csRealHandler);
        handler = std::move(m_pRealHandler);
    }
    // The reference goes here, outside the lock: it may be the last.
}

void CDelayedDirectoryChangeHandler::SetChangedDirectoryName(const std::string& directory) {
    CDirectoryChangeHandler::SetChangedDirectoryName(directory);
    if (CDirectoryChangeHandler* handler = GetRealChangeHandler())
        handler->SetChangedDirectoryName(directory);
}

bool CDelayedDirectoryChangeHandler::Post(uint32_t id, DWORD error, const std::string& firstName,
                                          const std::string* secondName) {
    try {
        // Not std::make_shared: built without RTTI, its control block links
        // the C++ library's shared_ptr.o, a table of mutexes among other
        // things. Where the count cannot be allocated, the notification is
        // deleted (its owner reference given back) and bad_alloc caught below.
        const std::shared_ptr<CDirChangeNotification> notification(
            new CDirChangeNotification(this, id, error, firstName, secondName));
        auto call = std::make_unique<DelayedCall>([notification] { notification->Dispatch(); });
        return m_pNotifier->PostCall(call);
    } catch (const std::bad_alloc&) {
        return false; // no memory for the notification: the callback is lost
    }
}

void CDelayedDirectoryChangeHandler::PostLastNotice(uint32_t id, DWORD error,
                                                    const std::string& directory) {
    ResetEvent(m_hLastNoticeDelivered.Get());
    // Never queued, so never delivered: a wait for it would never end.
    if (!Post(id, error, directory))
        SetEvent(m_hLastNoticeDelivered.Get());
}

void CDelayedDirectoryChangeHandler::On_FileAdded(const std::string& path) {
    Post(NOTIFY_FILE_ADDED, 0, path);
}

void CDelayedDirectoryChangeHandler::On_FileRemoved(const std::string& path) {
    Post(NOTIFY_FILE_REMOVED, 0, path);
}

void CDelayedDirectoryChangeHandler::On_FileRenamed(const std::string& oldPath,
                                                    const std::string& newPath) {
    Post(NOTIFY_FILE_RENAMED, 0, oldPath, &newPath);
}

void CDelayedDirectoryChangeHandler::On_FileModified(const std::string& path) {
    Post(NOTIFY_FILE_MODIFIED, 0, path);
}

void CDelayedDirectoryChangeHandler::On_ReadDirectoryChangesError(uint32_t error,
                                                                  const std::string& directory) {
    PostLastNotice(NOTIFY_READ_ERROR, error, directory);
}

void CDelayedDirectoryChangeHandler::On_WatchStarted(uint32_t error, const std::string& directory) {
    if (!(m_dwFilterFlags & FILTER_FLAG_NO_WATCH_STARTED))
        Post(NOTIFY_WATCH_STARTED, error, directory);
}

void CDelayedDirectoryChangeHandler::On_ChangesLost(const std::string& directory) {
    Post(NOTIFY_CHANGES_LOST, 0, directory);
}

void CDelayedDirectoryChangeHandler::On_WatchStopped(const std::string& directory) {
    if (!(m_dwFilterFlags & FILTER_FLAG_NO_WATCH_STOPPED))
        PostLastNotice(NOTIFY_WATCH_STOPPED, 0, directory);
}

void CDelayedDirectoryChangeHandler::WaitForLastNotice() {
    if (m_dwLastNoticeThread.load() == GetCurrentThreadId())
        return;
    WaitDispatchingMessages(m_hLastNoticeDelivered.Get());
}

void CDelayedDirectoryChangeHandler::DispatchNotification(
    const CDirChangeNotification& notification) {
    const uint32_t id = notification.Id();
    // Whatever happens below, a thread waiting for the last notice goes on.
    CScopeExit delivered([&] {
        if (IsLastNotice(id)) {
            m_dwLastNoticeThread = 0;
            SetEvent(m_hLastNoticeDelivered.Get());
        }
    });
    if (IsLastNotice(id))
        m_dwLastNoticeThread = GetCurrentThreadId();
    // A reference for the length of the call: the watch may end (and drop
    // its reference) on another thread while the callback runs.
    CComPtr<CDirectoryChangeHandler> handler;
    {
        std::lock_guard<std::mutex> guard(m_csRealHandler);
        handler = m_pRealHandler;
    }
    if (!handler)
        return;
    const std::string& first = notification.FirstName();
    try {
        if (!m_filter.PassesFilters(id, first.c_str(), notification.SecondName(),
                                    m_filter.GetRelativePathOffset(), handler.Get()))
            return;
        switch (id) {
        case NOTIFY_FILE_ADDED:
            handler->On_FileAdded(first);
            break;
        case NOTIFY_FILE_REMOVED:
            handler->On_FileRemoved(first);
            break;
        case NOTIFY_FILE_MODIFIED:
            handler->On_FileModified(first);
            break;
        case NOTIFY_FILE_RENAMED:
            handler->On_FileRenamed(first, notification.SecondName());
            break;
        case NOTIFY_READ_ERROR:
            handler->On_ReadDirectoryChangesError(notification.Error(), first);
            break;
        case NOTIFY_WATCH_STARTED:
            handler->On_WatchStarted(notification.Error(), first);
            break;
        case NOTIFY_WATCH_STOPPED:
            handler->On_WatchStopped(first);
            break;
        case NOTIFY_CHANGES_LOST:
            handler->On_ChangesLost(first);
            break;
        default:
            break;
        }
    } catch (...) {
        if (id == NOTIFY_WATCH_STOPPED) {
            MessageBeep(0xFFFFFFFF);
            MessageBeep(0xFFFFFFFF);
        }
        // Otherwise swallowed: delivery goes on with the next notification.
    }
}
