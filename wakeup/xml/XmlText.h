#pragma once
#include <cstdint>

class ICodePage;

// Which bytes of the ANSI code page lead a double-byte character. Taken from
// the code page once per parse, because the Win32 adapter asks the system on
// every call and the scanner asks for every byte.
struct XmlLeadByteMap {
    bool lead[256] = {};
    bool anyLead = false; // false: a single-byte code page, every byte is a character

    void Load(const ICodePage& codePage);
};

// A read-only view of a text that steps over whole characters of the code
// page. The text holds no zero byte before its end (it was copied from a
// zero-terminated string); Data()[Length()] is the terminating zero.
class XmlText {
public:
    XmlText(const char* text, int32_t length, const XmlLeadByteMap& lead)
        : m_text(text), m_length(length), m_lead(&lead) {}

    const char* Data() const { return m_text; }
    int32_t Length() const { return m_length; }
    char At(int32_t p) const { return m_text[p]; }
    bool IsLeadByte(char c) const { return m_lead->lead[static_cast<unsigned char>(c)]; }
    bool IsMultiByte() const { return m_lead->anyLead; }

    // Offset of the character after the one at p. A lead byte that is the
    // last byte of the text counts as a character of its own: stepping over a
    // trail byte that is not there would leave the text.
    int32_t Step(int32_t p) const {
        return (IsLeadByte(m_text[p]) && p + 1 < m_length) ? p + 2 : p + 1;
    }

    // Searches ch from p by whole characters, up to limit (the end of the
    // text by default); p becomes the offset of ch, or limit when there is none.
    bool FindChar(int32_t& p, char ch) const { return FindChar(p, ch, m_length); }
    bool FindChar(int32_t& p, char ch, int32_t limit) const;

    // Searches the ASCII string s (length n) by whole characters from p, so
    // that a trail byte never starts a match; the match must end at or before
    // limit. p becomes the offset of the match.
    bool FindString(int32_t& p, const char* s, int32_t n, int32_t limit) const;

    // True when the last byte of the range [from, to) is a lead byte without
    // its trail byte inside the range.
    bool EndsInsideCharacter(int32_t from, int32_t to) const;

private:
    const char* m_text;
    int32_t m_length;
    const XmlLeadByteMap* m_lead;
};
