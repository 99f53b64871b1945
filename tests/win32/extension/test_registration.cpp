// Self-registration through the real regsvr32, read back from the real
// registry.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "common/win32/Owners.h"
#include "tests/win32/extension/ExtensionModule.h"
#include "tests/win32/extension/KnownClasses.h"
#include "tests/win32/extension/RegistryRead.h"
#include "tests/win32/support/ServerRegistration.h"

namespace {

typedef std::vector<std::string> Names;

std::string ClassKey(const KnownClass& known) {
    return std::string("CLSID\\") + known.clsidText;
}

std::string TypeLibKey() {
    return std::string("TypeLib\\") + kTypeLibId + "\\1.0";
}

Names Sorted(Names names) {
    for (auto& name : names)
        std::transform(name.begin(), name.end(), name.begin(), [](char c) {
            return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        });
    std::sort(names.begin(), names.end());
    return names;
}

bool SamePath(const std::string& left, const std::string& right) {
    return lstrcmpiA(left.c_str(), right.c_str()) == 0;
}

void ExpectProgIdKey(const std::string& progId, const KnownClass& known) {
    const std::string description = std::string(known.name) + " Class";
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, progId), description) << progId;
    EXPECT_EQ(Subkeys(HKEY_CLASSES_ROOT, progId), Names{"CLSID"}) << progId;
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, progId + "\\CLSID"), known.clsidText) << progId;
}

void ExpectRegistered(const KnownClass& known) {
    const std::string progId = known.progId;
    ExpectProgIdKey(progId + ".1", known);
    ExpectProgIdKey(progId, known);

    const std::string key = ClassKey(known);
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, key), std::string(known.name) + " Class");
    EXPECT_EQ(ValueNames(HKEY_CLASSES_ROOT, key), Names{""}) << key;
    EXPECT_EQ(
        Sorted(Subkeys(HKEY_CLASSES_ROOT, key)),
        Sorted({"Implemented Categories", "InprocServer32", "ProgID", "VersionIndependentProgID"}))
        << key;
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, key + "\\ProgID"), progId + ".1");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, key + "\\VersionIndependentProgID"), progId);
    EXPECT_TRUE(
        SamePath(StringValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32"), ExtensionModulePath()))
        << StringValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel"), "both");
    EXPECT_EQ(Sorted(Subkeys(HKEY_CLASSES_ROOT, key + "\\Implemented Categories")),
              Sorted({known.categoryText}))
        << key;
}

void ExpectUnregistered(const KnownClass& known) {
    const std::string progId = known.progId;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, progId + ".1"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, progId));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(known)));
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override {
        // A left-over registration (of a run that was killed) would make
        // every check below meaningless: it goes first.
        DWORD exitCode = STILL_ACTIVE;
        winetest::RunToExit("regsvr32 /u /s \"" + ExtensionModulePath() + "\"", exitCode);
        for (const KnownClass& known : kKnownClasses)
            ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ClassKey(known))) << known.name;
    }
};

TEST_F(Registration, WritesTheLayoutOfEveryClassAndTheTypeLibrary) {
    winetest::CServerRegistration registration(ExtensionModulePath());
    ASSERT_TRUE(registration.Registered());
    for (const KnownClass& known : kKnownClasses) {
        SCOPED_TRACE(known.name);
        ExpectRegistered(known);
    }
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, TypeLibKey()), "OrvisaWakeup 1.0 Type Library");
    // RegisterTypeLib names the platform after the library's system kind,
    // which follows the module's flavour.
#ifdef _WIN64
    const std::string platform = "win64";
#else
    const std::string platform = "win32";
#endif
    EXPECT_TRUE(SamePath(StringValue(HKEY_CLASSES_ROOT, TypeLibKey() + "\\409\\" + platform),
                         ExtensionModulePath()));
}

TEST_F(Registration, RegisteringAgainRewritesEachClassKeyWhole) {
    winetest::CServerRegistration first(ExtensionModulePath());
    ASSERT_TRUE(first.Registered());
    // Left-overs under a class key, as an older registration could leave.
    const std::string stale = ClassKey(kKnownClasses[3]) + "\\LocalServer32";
    CUniqueRegKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, stale.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              key.Put(), nullptr),
              ERROR_SUCCESS);
    key.Reset();

    winetest::CServerRegistration second(ExtensionModulePath());
    ASSERT_TRUE(second.Registered());
    const Names all = Sorted(Subkeys(HKEY_CLASSES_ROOT, "CLSID"));
    for (const KnownClass& known : kKnownClasses) {
        SCOPED_TRACE(known.name);
        ExpectRegistered(known);
        EXPECT_EQ(std::count(all.begin(), all.end(), Sorted({known.clsidText}).front()), 1);
    }
}

TEST_F(Registration, UnregisteringRemovesItsKeysAndKeepsClsid) {
    winetest::CServerRegistration registration(ExtensionModulePath());
    ASSERT_TRUE(registration.Registered());
    ASSERT_TRUE(registration.Unregister());
    for (const KnownClass& known : kKnownClasses) {
        SCOPED_TRACE(known.name);
        ExpectUnregistered(known);
    }
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, TypeLibKey()));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID"));
    EXPECT_FALSE(Subkeys(HKEY_CLASSES_ROOT, "CLSID").empty());

    // Nothing left to remove is no failure.
    DWORD exitCode = STILL_ACTIVE;
    ASSERT_TRUE(winetest::RunToExit("regsvr32 /u /s \"" + ExtensionModulePath() + "\"", exitCode));
    EXPECT_EQ(exitCode, 0u);
}

} // namespace
