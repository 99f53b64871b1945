#pragma once
#include "wakeup/dirwatch/DirectoryWatcher.h"
#include "wakeup/dirwatch/win32/DirectoryChanges.h"

// The scheduler's watcher: callbacks on the thread that starts the watch
// (the dialog's), file names only.
class CWin32DirectoryWatcher : public IDirectoryWatcher {
public:
    CWin32DirectoryWatcher() : m_watcher(TRUE, FILTER_FLAG_FILE_NAME_ONLY) {}

    uint32_t WatchDirectory(const std::string& directory, uint32_t notifyFilter,
                            CDirectoryChangeHandler* handler, bool watchSubtree,
                            const char* includeFilter, const char* excludeFilter) override {
        return m_watcher.WatchDirectory(directory, notifyFilter, handler,
                                        watchSubtree ? TRUE : FALSE, includeFilter, excludeFilter);
    }

private:
    CDirectoryChangeWatcher m_watcher;
};
