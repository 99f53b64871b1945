#pragma once
#include <cstddef>
#include <cstdint>

#include "wakeup/xml/XmlText.h"

// The scanner state shared by every query: the current token is the bytes
// tokenStart..tokenEnd (inclusive) of the text, and the next scan begins at
// next. A quoted token is the text between its quotes.
struct XmlTokenCursor {
    const XmlText* text;
    int32_t tokenStart = 0;
    int32_t tokenEnd = -1;
    int32_t next = 0;
    bool quoted = false;

    explicit XmlTokenCursor(const XmlText& scanned, int32_t from = 0)
        : text(&scanned), next(from) {}

    // Moves to the next token; false at the end of the text.
    bool Scan();

    int32_t Length() const { return tokenEnd - tokenStart + 1; }
    const char* Begin() const { return text->Data() + tokenStart; }
    // The first byte of an unquoted token ('\0' for a quoted one).
    char First() const { return quoted ? '\0' : text->At(tokenStart); }
    // An unquoted single delimiter such as '>' or '='.
    bool IsMark(char mark) const {
        return !quoted && Length() == 1 && text->At(tokenStart) == mark;
    }

    // Name matching: the name begins with the token and then ends or goes on
    // with ' ', '=', '/' or '['. Case-sensitive.
    bool Matches(const char* name, size_t nameLength) const;

    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    // Bytes that end an unquoted token; the terminating zero is one of them.
    static bool IsDelimiter(char c);
};
