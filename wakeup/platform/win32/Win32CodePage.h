#pragma once
#include "wakeup/platform/CodePage.h"

// The system's ANSI code page.
class CWin32CodePage : public ICodePage {
public:
    bool IsLeadByte(unsigned char byte) const override;
    std::string FromUtf16(const char16_t* text, size_t count) const override;
    std::u16string ToUtf16(const std::string& text) const override;
};
