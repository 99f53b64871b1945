#pragma once
#include "wakeup/platform/CodePage.h"

// Windows' wide characters are UTF-16 units: a std::u16string is handed to
// the wide functions as it is (std::wstring would link a second string
// type's whole library code).
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide characters are UTF-16");
inline const wchar_t* WideOf(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline wchar_t* WideOf(std::u16string& text) {
    return reinterpret_cast<wchar_t*>(&text[0]);
}

// The system's ANSI code page.
class CWin32CodePage : public ICodePage {
public:
    bool IsLeadByte(unsigned char byte) const override;
    std::string FromUtf16(const char16_t* text, size_t count) const override;
    std::u16string ToUtf16(const std::string& text) const override;
};
