#include "wakeup/dirwatch/WildcardMatch.h"

bool WildcardMatch(const char* name, const char* pattern) {
    if (!name || !pattern)
        return false;
    while (*name && *pattern != '*') {
        if (*pattern != *name && *pattern != '?')
            return false;
        ++pattern;
        ++name;
    }
    // Backtracking: the last star met and the name position it will try next.
    const char* starPattern = nullptr;
    const char* starName = nullptr;
    while (*name) {
        if (*pattern == '*') {
            if (!*++pattern)
                return true;
            starPattern = pattern;
            starName = name + 1;
        } else if (*pattern == *name || *pattern == '?') {
            ++pattern;
            ++name;
        } else {
            pattern = starPattern;
            name = starName++;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return !*pattern;
}
