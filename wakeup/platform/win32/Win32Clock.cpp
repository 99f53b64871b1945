#include "wakeup/platform/win32/Win32Clock.h"

#include <windows.h>
#include <oleauto.h>

#include "common/win32/Owners.h"
#include "wakeup/platform/CodePage.h"
#include "wakeup/platform/win32/SystemLibrary.h"

namespace {
std::string FromWide(const wchar_t* text, size_t length) {
    return ActiveCodePage().FromUtf16(reinterpret_cast<const char16_t*>(text), length);
}

// The short date, then the time unless it is midnight, as VarBstrFromDate
// renders them; false where the kernel's formats do not take the moment
// (before 1601), or fail.
bool FormatByLocale(const CDateTime& when, std::string& text) {
    const CDateTime::Parts t = when.GetParts();
    if (!when.IsValid() || t.year < 1601 || t.year > 9999)
        return false;
    SYSTEMTIME moment{};
    moment.wYear = static_cast<WORD>(t.year);
    moment.wMonth = static_cast<WORD>(t.month);
    moment.wDay = static_cast<WORD>(t.day);
    moment.wHour = static_cast<WORD>(t.hour);
    moment.wMinute = static_cast<WORD>(t.minute);
    moment.wSecond = static_cast<WORD>(t.second);
    wchar_t part[128];
    int length = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &moment, nullptr, part, 128);
    if (length <= 0)
        return false;
    text = FromWide(part, static_cast<size_t>(length - 1));
    if (t.hour == 0 && t.minute == 0 && t.second == 0)
        return true;
    length = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &moment, nullptr, part, 128);
    if (length <= 0)
        return false;
    text += " " + FromWide(part, static_cast<size_t>(length - 1));
    return true;
}
} // namespace

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
    std::string byLocale;
    if (FormatByLocale(when, byLocale))
        return byLocale;
    // Any other moment as the variant conversion renders it, from the
    // library borrowed for it: the log's dates never need it.
    const CBorrowedLibrary automation(L"oleaut32.dll");
    const auto fromDate = automation.Get<decltype(&VarBstrFromDate)>("VarBstrFromDate");
    const auto length = automation.Get<decltype(&SysStringLen)>("SysStringLen");
    const auto release = automation.Get<decltype(&SysFreeString)>("SysFreeString");
    BSTR text = nullptr;
    if (!fromDate || !length || !release ||
        FAILED(fromDate(when.GetVariantDate(), LANG_USER_DEFAULT, 0, &text)) || !text)
        return std::string();
    const CScopeExit freeText([&] { release(text); });
    return FromWide(text, length(text));
}
