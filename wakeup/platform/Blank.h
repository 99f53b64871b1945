#pragma once
// The blanks that the C library's number readers skip in the "C" locale
// (isspace): space, tab, line feed, carriage return, vertical tab, form feed.
inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
