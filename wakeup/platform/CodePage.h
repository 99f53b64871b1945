#pragma once
#include <cstddef>
#include <string>

// The system's ANSI code page as the core sees it: which bytes lead a
// double-byte character, and the conversion of UTF-16 text into it. The
// Win32 build asks the system (CWin32CodePage); the native build and the
// tests use CLeadByteTable, which can be set up as any double-byte code page.
class ICodePage {
public:
    virtual ~ICodePage() = default;
    virtual bool IsLeadByte(unsigned char byte) const = 0;
    // Converts count UTF-16 units; characters the code page cannot show
    // become its default character.
    virtual std::string FromUtf16(const char16_t* text, size_t count) const = 0;
    // The text's characters as UTF-16.
    virtual std::u16string ToUtf16(const std::string& text) const = 0;
};

// A code page described by its lead-byte ranges. With no ranges it is a
// single-byte code page; FromUtf16 then keeps units up to 0xFF and turns
// every other into '?', the default character of the Latin code pages.
class CLeadByteTable : public ICodePage {
public:
    CLeadByteTable() = default;
    void AddLeadRange(unsigned char first, unsigned char last);

    bool IsLeadByte(unsigned char byte) const override { return m_lead[byte]; }
    std::string FromUtf16(const char16_t* text, size_t count) const override;
    // Single bytes keep their value; a double-byte character becomes the
    // unit lead * 256 + trail (no real table, but one unit per character
    // and distinct characters stay distinct).
    std::u16string ToUtf16(const std::string& text) const override;

private:
    bool m_lead[256] = {};
};

// The code page the core uses when none is passed in: the system's in the
// Win32 build (installed at start-up), a single-byte one otherwise.
const ICodePage& ActiveCodePage();
void SetActiveCodePage(const ICodePage* codePage);
