#include "wakeup/platform/win32/Win32Clock.h"

#include <windows.h>
#include <oleauto.h>

CDateTime CWin32Clock::Now() const {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return CDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

std::string CWin32DateText::Format(const CDateTime& when) const {
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(when.GetVariantDate(), LANG_USER_DEFAULT, 0, &text)) || !text)
        return std::string();
    const int units = static_cast<int>(SysStringLen(text));
    std::string out;
    const int size = WideCharToMultiByte(CP_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (size > 0) {
        out.resize(static_cast<size_t>(size));
        WideCharToMultiByte(CP_ACP, 0, text, units, &out[0], size, nullptr, nullptr);
    }
    SysFreeString(text);
    return out;
}
