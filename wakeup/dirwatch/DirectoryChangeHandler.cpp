#include "wakeup/dirwatch/DirectoryChangeHandler.h"

CDirectoryChangeHandler::~CDirectoryChangeHandler() {
    ReleaseFromWatcher();
}

void CDirectoryChangeHandler::On_FileAdded(const std::string&) {}
void CDirectoryChangeHandler::On_FileRemoved(const std::string&) {}
void CDirectoryChangeHandler::On_FileRenamed(const std::string&, const std::string&) {}
void CDirectoryChangeHandler::On_FileModified(const std::string&) {}
void CDirectoryChangeHandler::On_ReadDirectoryChangesError(uint32_t, const std::string&) {}
void CDirectoryChangeHandler::On_WatchStarted(uint32_t, const std::string&) {}
void CDirectoryChangeHandler::On_WatchStopped(const std::string&) {}
void CDirectoryChangeHandler::On_ChangesLost(const std::string&) {}

bool CDirectoryChangeHandler::On_FilterChange(uint32_t, const char*, const char*) {
    return true;
}

long CDirectoryChangeHandler::AddRef() {
    return ++m_nRefCount;
}

long CDirectoryChangeHandler::Release() {
    const long count = --m_nRefCount;
    if (count == 0)
        delete this;
    return count;
}

long CDirectoryChangeHandler::AttachToWatcher(IHandlerWatcher* watcher) {
    IHandlerWatcher* previous;
    {
        std::lock_guard<std::mutex> lock(m_csWatcher);
        previous = m_pWatcher;
        if (!previous || previous == watcher) {
            m_pWatcher = watcher;
            return watcher ? ++m_nWatcherUseCount : m_nWatcherUseCount.load();
        }
    }
    // Taken over by another watcher: end the first watcher's watches with
    // this handler, without holding our lock while it waits for them.
    const bool released = previous->UnwatchAllDirectoriesForHandler(this);
    std::lock_guard<std::mutex> lock(m_csWatcher);
    // Each ended watch detaches; once none is left the handler is free even
    // when the release found nothing to stop (a watch that ended on a read
    // error was detached while it was taken out). Leaving it without any
    // watcher would let the new watch outlive the handler.
    if (released || !m_pWatcher) {
        m_pWatcher = watcher;
        m_nWatcherUseCount = watcher ? 1 : 0;
    }
    return m_nWatcherUseCount;
}

long CDirectoryChangeHandler::DetachFromWatcher(IHandlerWatcher*) {
    std::lock_guard<std::mutex> lock(m_csWatcher);
    const long count = --m_nWatcherUseCount;
    if (count <= 0) {
        m_pWatcher = nullptr;
        m_nWatcherUseCount = 0;
    }
    return count;
}

bool CDirectoryChangeHandler::ReleaseFromWatcher() {
    IHandlerWatcher* watcher;
    {
        std::lock_guard<std::mutex> lock(m_csWatcher);
        watcher = m_pWatcher;
    }
    return watcher ? watcher->UnwatchAllDirectoriesForHandler(this) : true;
}

IHandlerWatcher* CDirectoryChangeHandler::GetWatcher() const {
    std::lock_guard<std::mutex> lock(m_csWatcher);
    return m_pWatcher;
}

long CDirectoryChangeHandler::GetWatcherUseCount() const {
    return m_nWatcherUseCount;
}

void CDirectoryChangeHandler::SetChangedDirectoryName(const std::string& directory) {
    std::lock_guard<std::mutex> lock(m_csName);
    m_strChangedDirectoryName = directory;
}

std::string CDirectoryChangeHandler::GetChangedDirectoryName() const {
    std::lock_guard<std::mutex> lock(m_csName);
    return m_strChangedDirectoryName;
}
