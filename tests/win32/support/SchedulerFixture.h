#pragma once
// Runs the real scheduler as a user's machine would: the program copied to
// <host>\orvisawakeup\kelmarwakeup.exe, its settings written into the real
// registry, the process started and its window found by title, and the
// process ended when the test ends.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/win32/support/WineTestSupport.h"

namespace winetest {

// The settings key of the host, under HKEY_CURRENT_USER.
constexpr const char kSettingsKey[] = "Software\\Vorx\\Orvisa\\3.0";

// Deletes the settings key with its values.
void DeleteSettingsKey();
// Creates the key (empty when it was deleted before).
void CreateSettingsKey();
void SetSettingDword(const char* name, uint32_t value);
void SetSettingString(const char* name, const std::string& text);
void SetSettingRaw(const char* name, DWORD type, const std::string& bytes);
bool HasSetting(const char* name);
uint32_t GetSettingDword(const char* name);
std::string GetSettingString(const char* name);

class SchedulerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // <temp>\host, with the program copied into <host>\orvisawakeup, or into
    // another subdirectory when given.
    void InstallProgram(const std::string& subDir = "orvisawakeup");
    // Starts the installed program with the arguments; false when it shows
    // no window in time.
    bool StartProgram(const std::string& arguments = std::string());
    // The dialog's controls.
    HWND Control(int id) const { return GetDlgItem(m_window, id); }
    std::vector<std::string> LogLines() const { return ListBoxLines(Control(1001)); }
    bool WaitForLogLine(const std::string& part, DWORD timeoutMs = kDeadlineMs) const {
        return WaitForLine(Control(1001), part, timeoutMs);
    }
    // The message box of the program, when one shows.
    HWND WaitForMessageBox(DWORD timeoutMs = kDeadlineMs) const;
    static std::string MessageBoxText(HWND box);

    CTempDir m_temp;
    std::string m_hostDir;
    std::string m_programPath;
    CProcess m_process;
    HWND m_window = nullptr;
};

} // namespace winetest
