// What the module file shows without running a class: its exports, its
// version information and its embedded type library.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "common/win32/Owners.h"
#include "tests/win32/extension/ExtensionModule.h"
#include "tests/win32/extension/KnownClasses.h"

namespace {

TEST(Module, ExportsCarryOrdinalsOneToFourInOrder) {
    CExtensionModule module;
    ASSERT_TRUE(module.Loaded());
    const char* names[] = {"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                           "DllUnregisterServer"};
    for (WORD ordinal = 1; ordinal <= 4; ++ordinal) {
        const char* name = names[ordinal - 1];
        const FARPROC byName = GetProcAddress(module.Handle(), name);
        ASSERT_NE(byName, nullptr) << name;
        EXPECT_EQ(GetProcAddress(module.Handle(), MAKEINTRESOURCEA(ordinal)), byName) << name;
    }
    EXPECT_EQ(GetProcAddress(module.Handle(), MAKEINTRESOURCEA(5)), nullptr);
}

std::string VersionString(const std::vector<char>& info, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
        return "<missing>";
    return length ? std::string(value) : std::string();
}

TEST(Module, VersionInformationMarksItSelfRegistering) {
    const std::string path = ExtensionModulePath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    EXPECT_EQ(VersionString(info, "OLESelfRegister"), "");
    EXPECT_EQ(VersionString(info, "FileDescription"), "OrvisaWakeup Module");
    EXPECT_EQ(VersionString(info, "OriginalFilename"), "OrvisaWakeup.DLL");
    EXPECT_EQ(VersionString(info, "FileVersion"), "1, 0, 0, 1");

    DWORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, sizeof(DWORD));
    EXPECT_EQ(LOWORD(*translation), 0x0409);
    EXPECT_EQ(HIWORD(*translation), 0x04B0);
}

TEST(Module, EmbedsTheEmptyTypeLibraryAsResourceOne) {
    const std::string narrow = ExtensionModulePath() + "\\1";
    const std::wstring path(narrow.begin(), narrow.end());
    CComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.Put()), S_OK);

    TLIBATTR* attr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
    {
        CScopeExit releaseAttr([&] { lib->ReleaseTLibAttr(attr); });
        EXPECT_TRUE(IsEqualGUID(attr->guid, GuidFromText(kTypeLibId)));
        EXPECT_EQ(attr->wMajorVerNum, 1);
        EXPECT_EQ(attr->wMinorVerNum, 0);
        EXPECT_EQ(attr->lcid, 0x0409u);
#ifdef _WIN64
        EXPECT_EQ(attr->syskind, SYS_WIN64);
#else
        EXPECT_EQ(attr->syskind, SYS_WIN32);
#endif
    }

    CUniqueBstr name;
    CUniqueBstr help;
    ASSERT_EQ(lib->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr), S_OK);
    EXPECT_EQ(std::wstring(name.Get()), L"ORVISAWAKEUPLib");
    EXPECT_EQ(std::wstring(help.Get()), L"OrvisaWakeup 1.0 Type Library");
    // The host's interfaces and the classes are not described in it.
    EXPECT_EQ(lib->GetTypeInfoCount(), 0u);
}

} // namespace
