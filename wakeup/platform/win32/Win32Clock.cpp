#include "wakeup/platform/win32/Win32Clock.h"

#include <windows.h>
#include <oleauto.h>

#include "common/win32/Owners.h"
#include "wakeup/platform/CodePage.h"

CDateTime CWin32Clock::Now() const {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return CDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

CDateTime CWin32Clock::NowUtc() const {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return CDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

std::string CWin32DateText::Format(const CDateTime& when) const {
    CUniqueBstr text;
    if (FAILED(VarBstrFromDate(when.GetVariantDate(), LANG_USER_DEFAULT, 0, text.Put())) || !text)
        return std::string();
    return ActiveCodePage().FromUtf16(reinterpret_cast<const char16_t*>(text.Get()),
                                      SysStringLen(text.Get()));
}
