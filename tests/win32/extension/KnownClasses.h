#pragma once
// The module's classes as the host and the registry know them, written out
// here independently of the module's own tables.
#include <windows.h>
#include <objbase.h>

#include <string>

struct KnownClass {
    const char* name;
    const char* clsidText;
    const char* progId;
    const char* categoryText;
    const char* hostIidText;
};

// In the module's class table order.
constexpr KnownClass kKnownClasses[] = {
    {"SearchExt", "{1F43C372-3FE5-4968-B826-92C01A61B5D8}", "OrvisaExt.SearchExt",
     "{A179A82D-980A-41EB-8E08-10F26E4AA010}", "{AB6266D7-9891-463D-BDC2-2DE4F0307A85}"},
    {"PageExt", "{9ACD644A-78D7-46d8-801C-BB51D3083CA0}", "OrvisaExt.PageExt",
     "{59B02BE9-D9A5-4669-91BD-6E651B5B4E08}", "{57CA97F6-7244-48A3-84D3-40630C915736}"},
    {"SkinControlExt", "{8E46AC9F-73B2-406b-9A37-EEAF252A5C65}", "OrvisaExt.SkinControlExt",
     "{74AAB73C-4AA8-4BCA-B6DD-9339AE1D4EFF}", "{704BEC2B-F9A6-419C-B56A-4DCFDADE5611}"},
    {"PlayerExt", "{0327C1D6-B521-413c-BAC8-0C8873BB6579}", "OrvisaExt.PlayerExt",
     "{497C4468-91ED-4662-B302-72D88ADB97CF}", "{4DDC141E-14F6-453E-A6BB-3736C0FD9B37}"},
};

inline GUID GuidFromText(const char* text) {
    std::wstring wide(text, text + std::char_traits<char>::length(text));
    GUID guid = GUID_NULL;
    CLSIDFromString(wide.c_str(), &guid);
    return guid;
}

const char* const kTypeLibId = "{211C9315-C62D-4BE5-AFEB-0D743DF56EA6}";
const char* const kIUnknownText = "{00000000-0000-0000-C000-000000000046}";
