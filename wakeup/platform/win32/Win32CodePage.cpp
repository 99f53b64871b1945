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
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, units, &out[0], size, nullptr, nullptr);
    return out;
}
