#pragma once
// The worker thread runs no application code: it calls this wrapper, which
// packs each callback into a CDirChangeNotification and queues it for the
// delivery thread (the thread that started the watch, through its hidden
// window, or the notification thread). There the filters are applied and the
// application's handler is called.
#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

#include "wakeup/dirwatch/ChangeFilter.h"
#include "wakeup/dirwatch/DirectoryChangeHandler.h"
#include "common/win32/Owners.h"

class CDelayedNotificationPoster;
class CDelayedDirectoryChangeHandler;

// One queued callback. It holds a reference to its wrapper, so that a
// notification still queued when its watch ends meets a live wrapper that
// no longer holds an application handler, and is dropped.
class CDirChangeNotification {
public:
    CDirChangeNotification(CDelayedDirectoryChangeHandler* owner, int relativePathOffset);
    ~CDirChangeNotification();
    CDirChangeNotification(const CDirChangeNotification&) = delete;
    CDirChangeNotification& operator=(const CDirChangeNotification&) = delete;

    // Stores the callback and hands it to the owner's notifier; FALSE when it
    // was not queued (the caller still owns it then).
    BOOL PostNotification(uint32_t id, DWORD error, const std::string& firstName,
                          const std::string* secondName = nullptr);
    void Dispatch();

    uint32_t Id() const { return m_nId; }
    DWORD Error() const { return m_dwError; }
    const std::string& FirstName() const { return m_strFirstName; }
    const char* SecondName() const { return m_bHasSecondName ? m_strSecondName.c_str() : nullptr; }
    int RelativePathOffset() const { return m_nRelativePathOffset; }

private:
    CDelayedDirectoryChangeHandler* m_pOwner;
    uint32_t m_nId = 0;
    std::string m_strFirstName;
    std::string m_strSecondName;
    bool m_bHasSecondName = false;
    DWORD m_dwError = 0;
    int m_nRelativePathOffset;
};

class CDelayedDirectoryChangeHandler : public CDirectoryChangeHandler {
public:
    // Starts with one reference, held by the watch state; every queued
    // notification holds another.
    CDelayedDirectoryChangeHandler(CDirectoryChangeHandler* appHandler, BOOL appHasGUI,
                                   const char* includeFilter, const char* excludeFilter,
                                   DWORD filterFlags);
    ~CDelayedDirectoryChangeHandler() override;

    // Called on the worker thread; each queues and returns at once, except
    // On_WatchStopped, which returns once the application has run it.
    void On_FileAdded(const std::string& path) override;
    void On_FileRemoved(const std::string& path) override;
    void On_FileRenamed(const std::string& oldPath, const std::string& newPath) override;
    void On_FileModified(const std::string& path) override;
    void On_ReadDirectoryChangesError(uint32_t error, const std::string& directory) override;
    void On_WatchStarted(uint32_t error, const std::string& directory) override;
    void On_WatchStopped(const std::string& directory) override;
    void On_ChangesLost(const std::string& directory) override;

    void SetChangedDirectoryName(const std::string& directory) override;
    std::string GetChangedDirectoryName() const override;

    void SetRelativePathOffset(const std::string& directory);
    BOOL PassesFilters(const CDirChangeNotification& notification,
                       CDirectoryChangeHandler* appHandler) const;
    // On the delivery thread.
    void DispatchNotification(CDirChangeNotification* notification);
    BOOL WaitForWatchStoppedDelivery();

    CDirectoryChangeHandler* GetRealChangeHandler() const;
    CDirectoryChangeHandler* SetRealChangeHandler(CDirectoryChangeHandler* handler);
    // 0 when notifications can be delivered, else the system's reason.
    DWORD GetDeliveryError() const;
    CDelayedNotificationPoster* GetNotifier() const { return m_pNotifier.get(); }

private:
    void Post(uint32_t id, DWORD error, const std::string& firstName,
              const std::string* secondName = nullptr);

    std::unique_ptr<CDelayedNotificationPoster> m_pNotifier;
    mutable std::mutex m_csRealHandler; // a leaf lock: nothing is called while held
    CDirectoryChangeHandler* m_pRealHandler;
    bool m_bAppHasGUI;
    DWORD m_dwFilterFlags;
    CChangeFilter m_filter;
    CUniqueHandle m_hWatchStoppedDispatchedEvent;
};
