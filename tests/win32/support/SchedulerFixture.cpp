#include "tests/win32/support/SchedulerFixture.h"

#include <cstring>

#include "common/win32/Owners.h"

#ifndef WAKEUP_PROGRAM
#error "WAKEUP_PROGRAM must name the built kelmarwakeup.exe"
#endif

namespace winetest {

namespace {
// An empty owner when the key cannot be opened or made.
CUniqueRegKey OpenSettings() {
    CUniqueRegKey key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key.Put(), nullptr);
    return key;
}
} // namespace

void DeleteSettingsKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
}

void CreateSettingsKey() {
    OpenSettings();
}

void SetSettingRaw(const char* name, DWORD type, const std::string& bytes) {
    const CUniqueRegKey key = OpenSettings();
    ASSERT_TRUE(key.Valid());
    RegSetValueExA(key.Get(), name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
}

void SetSettingDword(const char* name, uint32_t value) {
    SetSettingRaw(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void SetSettingString(const char* name, const std::string& text) {
    SetSettingRaw(name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

bool HasSetting(const char* name) {
    return RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

uint32_t GetSettingDword(const char* name) {
    DWORD value = 0, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

std::string GetSettingString(const char* name) {
    char text[1024] = {};
    DWORD size = sizeof text;
    RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

void SchedulerTest::SetUp() {
    DeleteSettingsKey();
    m_hostDir = m_temp.Path() + "\\host";
    ASSERT_TRUE(CreateDirectoryA(m_hostDir.c_str(), nullptr));
}

void SchedulerTest::TearDown() {
    m_process.End();
    DeleteSettingsKey();
}

void SchedulerTest::InstallProgram(const std::string& subDir) {
    const std::string dir = m_hostDir + "\\" + subDir;
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    m_programPath = dir + "\\kelmarwakeup.exe";
    ASSERT_TRUE(CopyFileA(WAKEUP_PROGRAM, m_programPath.c_str(), FALSE))
        << "copy " << WAKEUP_PROGRAM << " failed: " << GetLastError();
}

bool SchedulerTest::StartProgram(const std::string& arguments) {
    if (!m_process.Start("\"" + m_programPath + "\"" + (arguments.empty() ? "" : " ") + arguments))
        return false;
    m_window = WaitForProcessWindow(m_process.Id(), "OrvisaWakeUp");
    return m_window != nullptr;
}

HWND SchedulerTest::WaitForMessageBox(DWORD timeoutMs) const {
    return WaitForProcessWindow(m_process.Id(), "kelmarwakeup", timeoutMs);
}

std::string SchedulerTest::MessageBoxText(HWND box) {
    // The text of a message box is its static control 0xFFFF.
    return ItemText(box, 0xFFFF);
}

} // namespace winetest
