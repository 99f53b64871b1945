#include "wakeup/platform/win32/Win32CodePage.h"

#include <windows.h>

bool CWin32CodePage::IsLeadByte(unsigned char byte) const {
    return IsDBCSLeadByte(byte) != FALSE;
}

std::string CWin32CodePage::FromUtf16(const char16_t* text, size_t count) const {
    if (count == 0)
        return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text);
    const int units = static_cast<int>(count);
    // No best fit: a character the code page cannot show becomes its
    // default character, never a look-alike ("A" for "\u0100", or a
    // backslash for a yen sign that would change a path).
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    const int size = WideCharToMultiByte(CP_ACP, flags, wide, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide, units, &out[0], size, nullptr, nullptr);
    return out;
}

std::u16string CWin32CodePage::ToUtf16(const std::string& text) const {
    const int bytes = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, nullptr, 0);
    if (units <= 0)
        return std::u16string();
    std::u16string out(static_cast<size_t>(units), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), bytes, reinterpret_cast<wchar_t*>(&out[0]), units);
    return out;
}
