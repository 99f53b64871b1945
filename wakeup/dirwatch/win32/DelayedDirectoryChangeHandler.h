#pragma once
// The worker thread runs no application code: it calls this wrapper, which
// packs each callback into a CDirChangeNotification and queues it for the
// delivery thread (the thread that started the watch, through its hidden
// window, or the notification thread). There the filters are applied and the
// application's handler is called.
#include <windows.h>

#include <atomic>
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
    CDirChangeNotification(CDelayedDirectoryChangeHandler* owner, uint32_t id, DWORD error,
                           const std::string& firstName, const std::string* secondName);
    CDirChangeNotification(const CDirChangeNotification&) = delete;
    CDirChangeNotification& operator=(const CDirChangeNotification&) = delete;

    void Dispatch();

    uint32_t Id() const { return m_nId; }
    DWORD Error() const { return m_dwError; }
    const std::string& FirstName() const { return m_strFirstName; }
    const char* SecondName() const { return m_bHasSecondName ? m_strSecondName.c_str() : nullptr; }

private:
    CComPtr<CDelayedDirectoryChangeHandler> m_pOwner;
    uint32_t m_nId;
    DWORD m_dwError;
    std::string m_strFirstName;
    std::string m_strSecondName;
    bool m_bHasSecondName;
};

class CDelayedDirectoryChangeHandler : public CDirectoryChangeHandler {
public:
    // Starts with one reference, held by the watch state; every queued
    // notification holds another. Holds a reference to the application's
    // handler until CutOff.
    CDelayedDirectoryChangeHandler(CDirectoryChangeHandler* appHandler, BOOL appHasGUI,
                                   const char* includeFilter, const char* excludeFilter,
                                   DWORD filterFlags);
    ~CDelayedDirectoryChangeHandler() override;

    // Called on the worker thread; each queues and returns at once: the
    // worker never waits for a delivery, so that a callback may always use
    // the watcher.
    void On_FileAdded(const std::string& path) override;
    void On_FileRemoved(const std::string& path) override;
    void On_FileRenamed(const std::string& oldPath, const std::string& newPath) override;
    void On_FileModified(const std::string& path) override;
    // The last notice of a watch: the watch is deleted only once it has been
    // delivered (WaitForLastNotice).
    void On_ReadDirectoryChangesError(uint32_t error, const std::string& directory) override;
    void On_WatchStarted(uint32_t error, const std::string& directory) override;
    // The last notice of a stopped watch, like the read error.
    void On_WatchStopped(const std::string& directory) override;
    void On_ChangesLost(const std::string& directory) override;

    void SetChangedDirectoryName(const std::string& directory) override;

    void SetRelativePathOffset(const std::string& directory);
    // On the delivery thread.
    void DispatchNotification(const CDirChangeNotification& notification);
    // Returns once the last notice posted has been delivered (or dropped),
    // dispatching this thread's messages meanwhile.
    void WaitForLastNotice();

    CDirectoryChangeHandler* GetRealChangeHandler() const;
    // Lets the application's handler go: notifications still queued are
    // dropped.
    void CutOff();
    // 0 when notifications can be delivered, else the system's reason.
    DWORD GetDeliveryError() const;

private:
    bool Post(uint32_t id, DWORD error, const std::string& firstName,
              const std::string* secondName = nullptr);
    void PostLastNotice(uint32_t id, DWORD error, const std::string& directory);

    std::unique_ptr<CDelayedNotificationPoster> m_pNotifier;
    mutable std::mutex m_csRealHandler; // a leaf lock: nothing is called while held
    CComPtr<CDirectoryChangeHandler> m_pRealHandler;
    DWORD m_dwFilterFlags;
    CChangeFilter m_filter;
    // Signalled while no last notice waits for its delivery.
    CUniqueHandle m_hLastNoticeDelivered;
    DWORD m_dwEventError = 0;
    // The thread running the last notice's callback: a wait for that notice
    // from inside the callback itself must not wait for ever.
    std::atomic<DWORD> m_dwLastNoticeThread{0};
};
