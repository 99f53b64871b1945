#include "wakeup/dirwatch/ChangeFilter.h"

#include <cstring>

#include "wakeup/dirwatch/DirectoryChangeHandler.h"
#include "wakeup/dirwatch/FileNotifyInformation.h"
#include "wakeup/dirwatch/WildcardMatch.h"
#include "wakeup/platform/CodePage.h"

namespace {
// Splits at ";" as the multibyte-aware tokeniser does: runs of separators
// count as one, nothing is trimmed, a trail byte is never a separator.
std::vector<std::string> Tokens(const std::string& text) {
    const ICodePage& codePage = ActiveCodePage();
    std::vector<std::string> tokens;
    std::string current;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (codePage.IsLeadByte(byte) && i + 1 < text.size()) {
            current += text[i];
            current += text[++i];
        } else if (byte == ';') {
            if (!current.empty())
                tokens.push_back(current);
            current.clear();
        } else {
            current += text[i];
        }
    }
    if (!current.empty())
        tokens.push_back(current);
    return tokens;
}

// Byte position after the last backslash, or 0 without one.
size_t AfterLastBackslash(const char* name) {
    const ICodePage& codePage = ActiveCodePage();
    size_t after = 0;
    for (size_t i = 0; name[i]; ++i) {
        if (codePage.IsLeadByte(static_cast<unsigned char>(name[i])) && name[i + 1])
            ++i;
        else if (name[i] == '\\')
            after = i + 1;
    }
    return after;
}

bool Matches(const std::vector<std::string>& patterns, const char* name) {
    for (const auto& pattern : patterns)
        if (WildcardMatch(name, pattern.c_str()))
            return true;
    return false;
}
} // namespace

CChangeFilter::CChangeFilter(const char* includeFilter, const char* excludeFilter,
                             uint32_t filterFlags)
    : m_dwFilterFlags(filterFlags), m_include(Parse(includeFilter)),
      m_exclude(Parse(excludeFilter)) {}

CChangeFilter::PatternList CChangeFilter::Parse(const char* text) {
    PatternList list;
    if (!text || !*text)
        return list;
    list.present = true;
    std::vector<std::string> tokens = Tokens(text);
    if (tokens.size() == 1)
        list.patterns.push_back(text); // "a.xml;" is the one pattern "a.xml;"
    else
        list.patterns = std::move(tokens);
    return list;
}

void CChangeFilter::SetRelativePathOffset(const std::string& directory) {
    m_nRelativePathOffset = 0;
    if (m_dwFilterFlags & FILTER_FLAG_RELATIVE_PATH) {
        size_t offset = directory.size();
        if (!EndsWithBackslash(directory))
            ++offset;
        m_nRelativePathOffset = static_cast<int>(offset);
    }
}

bool CChangeFilter::MatchesIncludeFilter(const char* name) const {
    return !m_include.present || Matches(m_include.patterns, name);
}

bool CChangeFilter::MatchesExcludeFilter(const char* name) const {
    return m_exclude.present && Matches(m_exclude.patterns, name);
}

size_t CChangeFilter::NameOffset(const char* name, int relativePathOffset) const {
    // Computed for each name: the two names of a rename need not share their
    // directory part (subtree watches), and an offset taken from the first
    // could point past the end of the second.
    if (m_dwFilterFlags & FILTER_FLAG_FILE_NAME_ONLY)
        return AfterLastBackslash(name);
    if ((m_dwFilterFlags & FILTER_FLAG_RELATIVE_PATH) && relativePathOffset > 0) {
        const size_t offset = static_cast<size_t>(relativePathOffset);
        const size_t length = std::strlen(name);
        return offset < length ? offset : length;
    }
    return 0;
}

bool CChangeFilter::PassesPatterns(const char* name, int relativePathOffset) const {
    const char* part = name + NameOffset(name, relativePathOffset);
    return MatchesIncludeFilter(part) && !MatchesExcludeFilter(part);
}

bool CChangeFilter::PassesFilters(uint32_t id, const char* firstName, const char* secondName,
                                  int relativePathOffset, CDirectoryChangeHandler* hook) const {
    const uint32_t flags = m_dwFilterFlags;
    if ((flags & FILTER_FLAG_NO_PATTERNS) && (flags & FILTER_FLAG_NO_HOOK))
        return true;
    // Notifications about the directory itself carry no file name to test.
    if (id == NOTIFY_READ_ERROR || id == NOTIFY_WATCH_STARTED || id == NOTIFY_WATCH_STOPPED ||
        id == NOTIFY_CHANGES_LOST)
        return true;
    const bool askHook = hook && !(flags & FILTER_FLAG_NO_HOOK);
    const char* first = firstName ? firstName : "";
    if ((flags & FILTER_FLAG_HOOK_FIRST) && askHook &&
        !hook->On_FilterChange(id, first, secondName))
        return false;
    if (!(flags & FILTER_FLAG_NO_PATTERNS)) {
        const bool passes = PassesPatterns(first, relativePathOffset) ||
                            (id == NOTIFY_FILE_RENAMED && secondName &&
                             PassesPatterns(secondName, relativePathOffset));
        if (!passes)
            return false;
    }
    if ((flags & FILTER_FLAG_HOOK_FIRST) || !askHook)
        return true;
    return hook->On_FilterChange(id, first, secondName);
}
