#pragma once
#include <cstdint>
#include <string>

class CDirectoryChangeHandler;

// Change-notification filter bits of a watch.
constexpr uint32_t WATCH_CHANGE_FILE_NAME = 0x00000001;
constexpr uint32_t WATCH_CHANGE_LAST_WRITE = 0x00000010;

// Starts watches on directories; the handler's callbacks arrive on the thread
// that started the watch. The Win32 build wraps CDirectoryChangeWatcher.
class IDirectoryWatcher {
public:
    virtual ~IDirectoryWatcher() = default;
    // The system's error code, 0 when the watch runs.
    virtual uint32_t WatchDirectory(const std::string& directory, uint32_t notifyFilter,
                                    CDirectoryChangeHandler* handler, bool watchSubtree,
                                    const char* includeFilter, const char* excludeFilter) = 0;
};
