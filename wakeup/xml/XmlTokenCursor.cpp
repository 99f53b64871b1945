#include "wakeup/xml/XmlTokenCursor.h"

#include <cstring>

namespace {
struct DelimiterTable {
    bool is[256] = {};
    constexpr DelimiterTable() {
        const char marks[] = " \t\n\r<>=\\/?!";
        is[0] = true;
        for (const char* c = marks; *c; ++c)
            is[static_cast<unsigned char>(*c)] = true;
    }
};
constexpr DelimiterTable kDelimiters;
} // namespace

bool XmlTokenCursor::IsDelimiter(char c) {
    return kDelimiters.is[static_cast<unsigned char>(c)];
}

bool XmlTokenCursor::Scan() {
    quoted = false;
    const char* s = text->Data();
    const int32_t end = text->Length();
    int32_t p = next;
    while (p < end && IsSpace(s[p]))
        ++p;
    if (p >= end) {
        tokenStart = tokenEnd = next = end;
        return false;
    }
    const char c = s[p];
    if (c == '"' || c == '\'') {
        quoted = true;
        tokenStart = p + 1;
        int32_t close = p + 1;
        if (text->FindChar(close, c)) {
            tokenEnd = close - 1;
            next = close + 1;
        } else {
            tokenEnd = end - 1;
            next = end;
        }
        return true;
    }
    tokenStart = p;
    if (IsDelimiter(c)) {
        tokenEnd = p;
        next = p + 1;
        return true;
    }
    if (text->IsMultiByte()) {
        while (p < end && !IsDelimiter(s[p]))
            p = text->Step(p);
    } else {
        while (!IsDelimiter(s[p])) // stops at the terminating zero
            ++p;
    }
    tokenEnd = p - 1;
    next = p;
    return true;
}

bool XmlTokenCursor::Matches(const char* name, size_t nameLength) const {
    const int32_t length = Length();
    if (length <= 0 || static_cast<size_t>(length) > nameLength)
        return false;
    if (std::memcmp(Begin(), name, static_cast<size_t>(length)) != 0)
        return false;
    if (static_cast<size_t>(length) == nameLength)
        return true;
    const char after = name[length];
    return after == ' ' || after == '=' || after == '/' || after == '[';
}
