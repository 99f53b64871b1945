#include "wakeup/dirwatch/win32/DelayedDirectoryChangeHandler.h"

#include <new>

#include "wakeup/dirwatch/win32/DelayedNotificationPoster.h"
#include "wakeup/platform/win32/MessageWait.h"

CDirChangeNotification::CDirChangeNotification(CDelayedDirectoryChangeHandler* owner,
                                               int relativePathOffset)
    : m_pOwner(owner), m_nRelativePathOffset(relativePathOffset) {
    m_pOwner->AddRef();
}

CDirChangeNotification::~CDirChangeNotification() {
    m_pOwner->Release();
}

BOOL CDirChangeNotification::PostNotification(uint32_t id, DWORD error,
                                              const std::string& firstName,
                                              const std::string* secondName) {
    m_nId = id;
    m_dwError = error;
    m_strFirstName = firstName;
    m_bHasSecondName = secondName != nullptr;
    if (secondName)
        m_strSecondName = *secondName;
    CDelayedNotificationPoster* notifier = m_pOwner->GetNotifier();
    return notifier && notifier->PostNotification(this);
}

void CDirChangeNotification::Dispatch() {
    m_pOwner->DispatchNotification(this);
}

CDelayedDirectoryChangeHandler::CDelayedDirectoryChangeHandler(CDirectoryChangeHandler* appHandler,
                                                               BOOL appHasGUI,
                                                               const char* includeFilter,
                                                               const char* excludeFilter,
                                                               DWORD filterFlags)
    : m_pRealHandler(appHandler), m_bAppHasGUI(appHasGUI != FALSE), m_dwFilterFlags(filterFlags),
      m_filter(includeFilter, excludeFilter, filterFlags),
      m_hWatchStoppedDispatchedEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {
    if (m_bAppHasGUI)
        m_pNotifier.reset(new (std::nothrow) CDelayedNotificationWindow);
    else
        m_pNotifier.reset(new (std::nothrow) CDelayedNotificationThread);
}

CDelayedDirectoryChangeHandler::~CDelayedDirectoryChangeHandler() = default;

DWORD CDelayedDirectoryChangeHandler::GetDeliveryError() const {
    if (!m_pNotifier)
        return ERROR_OUTOFMEMORY;
    if (!m_hWatchStoppedDispatchedEvent)
        return ERROR_NOT_ENOUGH_MEMORY;
    return m_pNotifier->GetStartError();
}

void CDelayedDirectoryChangeHandler::SetRelativePathOffset(const std::string& directory) {
    m_filter.SetRelativePathOffset(directory);
}

CDirectoryChangeHandler* CDelayedDirectoryChangeHandler::GetRealChangeHandler() const {
    std::lock_guard<std::mutex> guard(m_csRealHandler);
    return m_pRealHandler;
}

CDirectoryChangeHandler*
CDelayedDirectoryChangeHandler::SetRealChangeHandler(CDirectoryChangeHandler* handler) {
    std::lock_guard<std::mutex> guard(m_csRealHandler);
    CDirectoryChangeHandler* previous = m_pRealHandler;
    m_pRealHandler = handler;
    return previous;
}

void CDelayedDirectoryChangeHandler::SetChangedDirectoryName(const std::string& directory) {
    CDirectoryChangeHandler::SetChangedDirectoryName(directory);
    if (CDirectoryChangeHandler* handler = GetRealChangeHandler())
        handler->SetChangedDirectoryName(directory);
}

std::string CDelayedDirectoryChangeHandler::GetChangedDirectoryName() const {
    CDirectoryChangeHandler* handler = GetRealChangeHandler();
    return handler ? handler->GetChangedDirectoryName()
                   : CDirectoryChangeHandler::GetChangedDirectoryName();
}

void CDelayedDirectoryChangeHandler::Post(uint32_t id, DWORD error, const std::string& firstName,
                                          const std::string* secondName) {
    try {
        auto* notification = new CDirChangeNotification(this, m_filter.GetRelativePathOffset());
        if (!notification->PostNotification(id, error, firstName, secondName))
            delete notification; // not queued: the callback is lost
    } catch (const std::bad_alloc&) {
        // No memory for the notification: the callback is lost.
    }
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
    Post(NOTIFY_READ_ERROR, error, directory);
}

void CDelayedDirectoryChangeHandler::On_WatchStarted(uint32_t error, const std::string& directory) {
    if (!(m_dwFilterFlags & FILTER_FLAG_NO_WATCH_STARTED))
        Post(NOTIFY_WATCH_STARTED, error, directory);
}

void CDelayedDirectoryChangeHandler::On_ChangesLost(const std::string& directory) {
    Post(NOTIFY_CHANGES_LOST, 0, directory);
}

void CDelayedDirectoryChangeHandler::On_WatchStopped(const std::string& directory) {
    if (m_dwFilterFlags & FILTER_FLAG_NO_WATCH_STOPPED)
        return;
    CDirChangeNotification* notification;
    try {
        notification = new CDirChangeNotification(this, m_filter.GetRelativePathOffset());
    } catch (const std::bad_alloc&) {
        return;
    }
    ResetEvent(m_hWatchStoppedDispatchedEvent.Get());
    if (!notification->PostNotification(NOTIFY_WATCH_STOPPED, 0, directory)) {
        // Never queued, so never delivered: waiting would never end.
        delete notification;
        return;
    }
    WaitForWatchStoppedDelivery();
}

BOOL CDelayedDirectoryChangeHandler::WaitForWatchStoppedDelivery() {
    HANDLE event = m_hWatchStoppedDispatchedEvent.Get();
    if (!event)
        return FALSE;
    if (!m_bAppHasGUI) {
        while (WaitForSingleObject(event, 5000) == WAIT_TIMEOUT) {
        }
        return TRUE;
    }
    return WaitDispatchingMessages(event) == WAIT_OBJECT_0;
}

BOOL CDelayedDirectoryChangeHandler::PassesFilters(const CDirChangeNotification& notification,
                                                   CDirectoryChangeHandler* appHandler) const {
    return m_filter.PassesFilters(notification.Id(), notification.FirstName().c_str(),
                                  notification.SecondName(), notification.RelativePathOffset(),
                                  appHandler);
}

void CDelayedDirectoryChangeHandler::DispatchNotification(CDirChangeNotification* notification) {
    if (!notification)
        return;
    // A reference for the length of the call: the watch may end (and drop
    // its reference) on another thread while the callback runs.
    CDirectoryChangeHandler* handler;
    {
        std::lock_guard<std::mutex> guard(m_csRealHandler);
        handler = m_pRealHandler;
        if (handler)
            handler->AddRef();
    }
    const uint32_t id = notification->Id();
    if (handler) {
        try {
            if (PassesFilters(*notification, handler)) {
                const std::string& first = notification->FirstName();
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
                    handler->On_FileRenamed(first, notification->SecondName());
                    break;
                case NOTIFY_READ_ERROR:
                    handler->On_ReadDirectoryChangesError(notification->Error(), first);
                    break;
                case NOTIFY_WATCH_STARTED:
                    handler->On_WatchStarted(notification->Error(), first);
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
            }
        } catch (...) {
            if (id == NOTIFY_WATCH_STOPPED) {
                MessageBeep(0xFFFFFFFF);
                MessageBeep(0xFFFFFFFF);
            }
            // Otherwise swallowed: delivery goes on with the next notification.
        }
        handler->Release();
    }
    // Whatever happened above, the worker waiting for this must go on.
    if (id == NOTIFY_WATCH_STOPPED)
        SetEvent(m_hWatchStoppedDispatchedEvent.Get());
}
