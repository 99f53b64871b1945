#include "tests/win32/support/SchedulerFixture.h"

#include <commctrl.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>

using namespace winetest;

namespace {
class Startup : public SchedulerTest {};
} // namespace

TEST_F(Startup, ShowsItsDialogFromTheHostSubdirectoryAndEndsWhenClosed) {
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    EXPECT_TRUE(IsWindowVisible(m_window));
    EXPECT_EQ(ItemText(m_window, 1002), "Scan Recordings");
    EXPECT_FALSE(IsWindowVisible(Control(1002)));
    EXPECT_FALSE(IsWindowVisible(Control(1003)));
    EXPECT_TRUE(IsWindowVisible(Control(1001)));
    EXPECT_EQ(ItemText(m_window, 1008), "Hibernate instead of suspend");
    EXPECT_TRUE(GetWindowLongA(m_window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    PostMessageA(m_window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(m_process.WaitExit());
}

TEST_F(Startup, RunsFromAPathWithoutTheHostSubdirectoryAfterTheWatchFailure) {
    InstallProgram("OrvisaWakeUp"); // other letter case: not the host's subdirectory
    ASSERT_TRUE(m_process.Start("\"" + m_programPath + "\""));
    // No host directory, no watch: the message shows before the dialog.
    HWND box = WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageBoxText(box).rfind("Failed to start watch:", 0), 0u) << MessageBoxText(box);
    EXPECT_EQ(FindProcessWindow(m_process.Id(), "OrvisaWakeUp"), nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    m_window = WaitForProcessWindow(m_process.Id(), "OrvisaWakeUp");
    ASSERT_NE(m_window, nullptr);
    EXPECT_TRUE(LogLines().empty()); // and no scan
    EXPECT_TRUE(m_process.Running());
    PostMessageA(m_window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(m_process.WaitExit());
}

TEST_F(Startup, SystemMenuHasTheAboutEntry) {
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    // Command 16 with low bits set still opens the about box.
    PostMessageA(m_window, WM_SYSCOMMAND, 0x13, 0);
    HWND about = WaitForProcessWindow(m_process.Id(), "About kelmarwakeup");
    ASSERT_NE(about, nullptr);
    EXPECT_NE(FindWindowExA(about, nullptr, "Static", "kelmarwakeup Version 1.0"), nullptr);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));
    EXPECT_TRUE(m_process.Running());
}

TEST_F(Startup, ManifestDeclaresWhatWindowsExpectsAndTheDialogStillLaysOut) {
    InstallProgram();
    HMODULE image = LoadLibraryExA(m_programPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    std::string manifest;
    if (HRSRC found = FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))
        if (HGLOBAL loaded = LoadResource(image, found))
            manifest.assign(static_cast<const char*>(LockResource(loaded)),
                            SizeofResource(image, found));
    FreeLibrary(image);
    for (const char* part : {"level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                             "<dpiAware", "Microsoft.Windows.Common-Controls"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;

    // The program starts with it, and the two-line status sits below the
    // progress bar inside the dialog.
    ASSERT_TRUE(StartProgram());
    RECT client, progress, status;
    GetClientRect(m_window, &client);
    GetWindowRect(Control(1004), &progress);
    GetWindowRect(Control(1009), &status);
    MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&progress), 2);
    MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&status), 2);
    EXPECT_GE(status.top, progress.bottom);
    EXPECT_LE(status.bottom, client.bottom);
    EXPECT_GT(status.bottom - status.top, progress.bottom - progress.top); // two lines
}

TEST_F(Startup, SecondStartBringsTheRunningSchedulerBackAndEnds) {
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    // Until it takes: the dialog may still be showing itself.
    ASSERT_TRUE(WaitFor([&] {
        ShowWindow(m_window, SW_MINIMIZE);
        return IsIconic(m_window) != FALSE;
    }));

    CProcess second;
    ASSERT_TRUE(second.Start("\"" + m_programPath + "\""));
    EXPECT_TRUE(second.WaitExit());
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(m_window); })) << "not brought back";
    EXPECT_TRUE(m_process.Running());
    int schedulers = 0;
    for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", "OrvisaWakeUp"); w;
         w = FindWindowExA(nullptr, w, "#32770", "OrvisaWakeUp"))
        ++schedulers;
    EXPECT_EQ(schedulers, 1);
}

TEST_F(Startup, LockThatCannotBeOpenedMeansASchedulerRunsAlready) {
    InstallProgram();
    // As a scheduler run as administrator leaves it for this user: an empty
    // access list lets nobody open it.
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ACL nobody;
    InitializeAcl(&nobody, sizeof nobody, ACL_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, &nobody, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
    const CUniqueHandle lock(CreateMutexA(&attributes, FALSE, "Local\\OrvisaWakeUp.Scheduler"));
    ASSERT_TRUE(lock);
    ASSERT_EQ(OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "Local\\OrvisaWakeUp.Scheduler"), nullptr);
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    ASSERT_TRUE(m_process.Start("\"" + m_programPath + "\""));
    EXPECT_TRUE(m_process.WaitExit()) << "a second scheduler runs";
}

TEST_F(Startup, RestartKeepsTheEarlierRunsLinesInTheLogFile) {
    char appData[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(
        SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
    const std::string logPath = std::string(appData) + "\\OrvisaWakeup\\kelmarwakeup.log";
    DeleteFileA(logPath.c_str());
    auto readLog = [&] {
        std::ifstream in(logPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(WriteFileBytes(m_hostDir + "\\tvrecord.xml", "<tvrecord/>"));
    for (int run = 1; run <= 2; ++run) {
        ASSERT_TRUE(StartProgram());
        ASSERT_TRUE(WaitForLogLine("No new schedule found"));
        PostMessageA(m_window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(m_process.WaitExit());
    }
    const std::string text = readLog();
    size_t scans = 0;
    for (size_t at = text.find("No new schedule found"); at != std::string::npos;
         at = text.find("No new schedule found", at + 1))
        ++scans;
    EXPECT_EQ(scans, 2u) << text;
    // Each line with its full date and time.
    EXPECT_EQ(text.find_first_not_of("0123456789"), 4u) << text;
    EXPECT_EQ(text.substr(4, 1) + text.substr(7, 1) + text.substr(10, 1) + text.substr(13, 1),
              "-- :");
}
