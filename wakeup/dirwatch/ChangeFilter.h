#pragma once
// The filters that decide, just before delivery, whether a change reaches
// the application's handler: include and exclude pattern lists, filter
// flags, relative-path offset and the handler's veto. One per watch.
#include <cstdint>
#include <string>
#include <vector>

class CDirectoryChangeHandler;

// Filter flags.
constexpr uint32_t FILTER_FLAG_NO_PATTERNS = 0x01;
constexpr uint32_t FILTER_FLAG_RELATIVE_PATH = 0x04;
constexpr uint32_t FILTER_FLAG_FILE_NAME_ONLY = 0x08; // wins over RELATIVE_PATH
constexpr uint32_t FILTER_FLAG_HOOK_FIRST = 0x10;
constexpr uint32_t FILTER_FLAG_NO_HOOK = 0x20;
constexpr uint32_t FILTER_FLAG_NO_WATCH_STARTED = 0x40;
constexpr uint32_t FILTER_FLAG_NO_WATCH_STOPPED = 0x80;
constexpr uint32_t FILTER_FLAGS_DEFAULT = FILTER_FLAG_FILE_NAME_ONLY;

// Notification function ids: the action of On_FilterChange and the kind of a
// queued callback.
constexpr uint32_t NOTIFY_FILE_ADDED = 1;
constexpr uint32_t NOTIFY_FILE_REMOVED = 2;
constexpr uint32_t NOTIFY_FILE_MODIFIED = 3;
constexpr uint32_t NOTIFY_FILE_RENAMED = 4;
constexpr uint32_t NOTIFY_READ_ERROR = 5;
constexpr uint32_t NOTIFY_WATCH_STARTED = 6;
constexpr uint32_t NOTIFY_WATCH_STOPPED = 7;
constexpr uint32_t NOTIFY_CHANGES_LOST = 8;

class CChangeFilter {
public:
    // Each list is a ";"-separated string; null or empty means none.
    CChangeFilter(const char* includeFilter, const char* excludeFilter, uint32_t filterFlags);

    void SetRelativePathOffset(const std::string& directory);
    int GetRelativePathOffset() const { return m_nRelativePathOffset; }
    int GetIncludeCount() const { return PatternCount(m_include); }

    bool MatchesIncludeFilter(const char* name) const;
    bool MatchesExcludeFilter(const char* name) const;
    // hook: the handler asked through On_FilterChange, or null.
    bool PassesFilters(uint32_t id, const char* firstName, const char* secondName,
                       int relativePathOffset, CDirectoryChangeHandler* hook) const;

private:
    struct PatternList {
        bool present = false;
        // One pattern: the whole string, separators included. Several: the
        // tokens. None when the string was made only of separators.
        std::vector<std::string> patterns;
    };
    static PatternList Parse(const char* text);
    static int PatternCount(const PatternList& list) {
        return list.present ? static_cast<int>(list.patterns.size()) : 0;
    }
    // Where the patterns start looking in name (never past its end).
    size_t NameOffset(const char* name, int relativePathOffset) const;
    bool PassesPatterns(const char* name, int relativePathOffset) const;

    uint32_t m_dwFilterFlags;
    int m_nRelativePathOffset = 0;
    PatternList m_include;
    PatternList m_exclude;
};
