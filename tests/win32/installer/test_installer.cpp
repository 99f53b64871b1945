// The real installer and uninstaller, run silently as an administrator or a
// deployment tool runs them: into a host directory whose path has a blank,
// again over running schedulers, which run again afterwards, into another
// host directory, and out again, leaving the host's file and settings as
// they were; with the module loaded by a running host; over a file that
// cannot be replaced and with a write that fails partway (a full disk),
// both of which must leave the installed version working; and
// the installer around a module that does not register, which must leave
// nothing behind. The helper that starts the scheduler as the logged-on
// user after an interactive install is run by itself. Wine lists no power
// plan, so the change of their wake timers is only seen to fail nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/win32/Owners.h"
#include "Version.h"
#include "common/WakeupMessages.h"
#include "tests/win32/extension/RegistryRead.h"
#include "tests/win32/support/SchedulerFixture.h"
#include "tests/win32/support/WineTestSupport.h"

namespace {

using winetest::kSettingsKey;

const std::string kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OrvisaWakeup";
const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "OrvisaWakeUp";
const std::string kPlayerExtClsid = "CLSID\\{0327C1D6-B521-413c-BAC8-0C8873BB6579}";
const char kMissing[] = "<missing>";
const char kPendingKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
// The installer's and uninstaller's own exit codes.
constexpr DWORD kFilesInUse = 4;
constexpr DWORD kWriteFailed = 6;
constexpr DWORD kRestartNeeded = 3010;
// An installer run does little, but the first start of a Wine program on a
// loaded machine can take seconds.
constexpr DWORD kRunDeadlineMs = 60000;

std::string WindowsPath(std::string path) {
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    const CUniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    if (!file)
        return kMissing;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

// Every value of a key, with its type, to compare before and after.
typedef std::map<std::string, std::pair<DWORD, std::string>> ValueMap;

ValueMap KeyValues(HKEY root, const std::string& path) {
    ValueMap values;
    CUniqueRegKey key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; ++i) {
        char name[256];
        BYTE data[4096];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key.Get(), i, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS)
            break;
        values[name] = {type, std::string(reinterpret_cast<char*>(data), dataSize)};
    }
    return values;
}

// What Windows renames and deletes when it next starts: a list of paths, each
// ended by a null; kMissing when there is nothing.
std::string PendingRenames() {
    CUniqueRegKey key;
    DWORD size = 0, type = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_READ, key.Put()) != ERROR_SUCCESS ||
        RegQueryValueExA(key.Get(), kPendingValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return kMissing;
    // Every uninstaller that copied itself to the temporary folder adds to it.
    std::string list(size, '\0');
    if (RegQueryValueExA(key.Get(), kPendingValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(&list[0]), &size) != ERROR_SUCCESS)
        return kMissing;
    list.resize(size);
    return list;
}

void RestorePendingRenames(const std::string& list) {
    CUniqueRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPendingKey, 0, KEY_SET_VALUE, key.Put()) !=
        ERROR_SUCCESS)
        return;
    if (list == kMissing)
        RegDeleteValueA(key.Get(), kPendingValue);
    else
        RegSetValueExA(key.Get(), kPendingValue, 0, REG_MULTI_SZ,
                       reinterpret_cast<const BYTE*>(list.data()), static_cast<DWORD>(list.size()));
}

// The "FileVersion" string of a binary's version resource.
std::string FileVersionText(const std::string& path) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<char> info(size);
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, info.data()))
        return kMissing;
    char* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), "\\StringFileInfo\\040904B0\\FileVersion",
                        reinterpret_cast<void**>(&text), &length))
        return kMissing;
    return std::string(text);
}

FILETIME LastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

bool SetLastWriteTime(const std::string& path, const FILETIME& time) {
    const CUniqueHandle file(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    return file && SetFileTime(file.Get(), nullptr, nullptr, &time) != FALSE;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
    return CompareFileTime(&a, &b) == 0;
}

std::string CommonStartMenuPrograms() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// When the process was created; zero when that cannot be read.
ULONGLONG CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!process || !GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

ULONGLONG CreationTime(DWORD processId) {
    const CUniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    return CreationTime(process.Get());
}

// Processes whose parent is the given one, or, with parent 0, whose image
// has the given name.
std::vector<DWORD> Processes(DWORD parent, const char* image) {
    std::vector<DWORD> found;
    const CUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
        if (parent != 0 ? entry.th32ParentProcessID == parent
                        : lstrcmpiA(entry.szExeFile, image) == 0)
            found.push_back(entry.th32ProcessID);
    }
    return found;
}

// The children of the process, which may have ended: those that name its id
// as their parent and were created after it. Wine hands out ids again
// quickly, and a process started long before (one of Wine's services) may
// name a parent whose id the given process has now: waited for and then
// ended, it would take Wine's services down with it.
std::vector<DWORD> Children(const winetest::CProcess& parent) {
    const ULONGLONG born = CreationTime(parent.Handle());
    std::vector<DWORD> children;
    for (DWORD child : Processes(parent.Id(), nullptr))
        if (CreationTime(child) >= born)
            children.push_back(child);
    return children;
}

// Waits for the process to end, ending it at the deadline; true when it
// ended by itself.
bool WaitOrEnd(DWORD processId, DWORD timeoutMs) {
    const CUniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
    if (!process)
        return true; // gone already
    const bool ended = WaitForSingleObject(process.Get(), timeoutMs) == WAIT_OBJECT_0;
    if (!ended) {
        TerminateProcess(process.Get(), 1);
        WaitForSingleObject(process.Get(), winetest::kDeadlineMs);
    }
    return ended;
}

// A process of the program that makes no window and does not end when
// asked, as one hung behind a message box or one in another session is to
// the installer.
CUniqueHandle StartSuspended(const std::string& program) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string line = "\"" + program + "\"";
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info))
        return CUniqueHandle();
    const CUniqueHandle thread(info.hThread);
    return CUniqueHandle(info.hProcess);
}

std::string ProcessImage(DWORD processId) {
    const CUniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    char image[MAX_PATH] = {};
    DWORD size = sizeof image;
    if (!process || !QueryFullProcessImageNameA(process.Get(), 0, image, &size))
        return kMissing;
    return image;
}

HWND SchedulerWindow() {
    return FindWindowA("#32770", WAKEUP_WINDOW_TITLE);
}

DWORD WindowProcess(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

// Ends every scheduler left running, as a user closing its window would.
void CloseSchedulers() {
    for (int i = 0; i < 5; ++i) {
        HWND window = SchedulerWindow();
        if (!window)
            return;
        const DWORD processId = WindowProcess(window);
        PostMessageA(window, WM_CLOSE, 0, 0);
        WaitOrEnd(processId, 10000);
    }
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        // Wine would mirror the Start-menu shortcut into the Linux desktop's
        // menus, outside the prefix; the tests leave the user's home alone.
        CUniqueRegKey overrides;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, nullptr, 0,
                                  KEY_SET_VALUE, nullptr, overrides.Put(), nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(overrides.Get(), "winemenubuilder.exe", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(""), 1);

        ASSERT_EQ(SchedulerWindow(), nullptr) << "a scheduler is running before the test";
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "installed before the test";

        ASSERT_NO_FATAL_FAILURE(UseHostDir("Orvisa TV"));

        winetest::DeleteSettingsKey();
        winetest::SetSettingDword("SuspendTime", 45);
        winetest::SetSettingString("SuspendText", "Sleeping in %d minutes");
        winetest::SetSettingDword("PVRBufferBegin", 3);
        m_settings = KeyValues(HKEY_CURRENT_USER, kSettingsKey);
        ASSERT_EQ(m_settings.size(), 3u);
    }

    // The host directory the next install goes into, made with its schedule.
    void UseHostDir(const std::string& name) {
        m_hostDir = m_temp.Path() + "\\" + name;
        m_programDir = m_hostDir + "\\orvisawakeup";
        m_program = m_programDir + "\\kelmarwakeup.exe";
        m_module = m_programDir + "\\OrvisaWakeup.dll";
        m_uninstaller = m_programDir + "\\uninstall.exe";
        ASSERT_TRUE(CreateDirectoryA(m_hostDir.c_str(), nullptr));
        ASSERT_TRUE(winetest::WriteFileBytes(m_hostDir + "\\tvrecord.xml", kSchedule));
    }

    void TearDown() override {
        // A failed test must not leave an installation to the next one.
        if (FileExists(m_uninstaller))
            Uninstall();
        CloseSchedulers();
        winetest::DeleteSettingsKey();
    }

    // The setup program's exit code: 0 installed, 2 stopped by the script.
    DWORD Install(const std::string& switches, const char* setup = WAKEUP_SETUP) {
        // Unquoted, as the standard /D= wants it: it runs to the end of the
        // line, blanks included.
        const std::string line = "\"" + WindowsPath(setup) + "\" /S " + switches +
                                 (switches.empty() ? "" : " ") + "/D=" + m_hostDir;
        DWORD exitCode = STILL_ACTIVE;
        EXPECT_TRUE(winetest::RunToExit(line, exitCode, kRunDeadlineMs)) << line;
        return exitCode;
    }

    // Runs the uninstaller as Add/Remove Programs does. It copies itself to
    // the temporary directory, starts the copy and ends at once; the copy
    // does the work, so the test waits for that one too.
    DWORD Uninstall() {
        winetest::CProcess uninstaller;
        EXPECT_TRUE(uninstaller.Start("\"" + m_uninstaller + "\" /S"));
        EXPECT_TRUE(uninstaller.WaitExit(kRunDeadlineMs));
        const DWORD exitCode = uninstaller.ExitCode();
        for (DWORD copy : Children(uninstaller))
            EXPECT_TRUE(WaitOrEnd(copy, kRunDeadlineMs)) << "the uninstaller's copy hung";
        return exitCode;
    }

    // As a deployment tool runs it to learn its exit code: in place, where
    // it cannot remove itself.
    DWORD UninstallInPlace() {
        DWORD exitCode = STILL_ACTIVE;
        EXPECT_TRUE(winetest::RunToExit("\"" + m_uninstaller + "\" /S _?=" + m_programDir, exitCode,
                                        kRunDeadlineMs));
        return exitCode;
    }

    // A running host: the module stays loaded until the process is ended.
    bool HoldModule(winetest::CProcess& host) {
        return host.Start("\"" + WindowsPath(WAKEUP_HOSTSIM) + "\" hold") &&
               winetest::WaitForProcessWindow(host.Id(), "hostsim hold") != nullptr;
    }

    // Marked as old, so that an install shows whether it wrote them.
    void MarkOld() {
        ASSERT_TRUE(SetLastWriteTime(m_program, kOld));
        ASSERT_TRUE(SetLastWriteTime(m_module, kOld));
    }

    // An earlier install with its scheduler running and its files marked
    // old, for an install that must put it back.
    void InstallOldAndRun(winetest::CProcess& scheduler) {
        ASSERT_EQ(Install(""), 0u);
        ASSERT_TRUE(scheduler.Start("\"" + m_program + "\""));
        ASSERT_NE(WaitForScheduler(), nullptr);
        ASSERT_NO_FATAL_FAILURE(MarkOld());
    }

    // After a failed install: the earlier one's module back, registered,
    // started at logon, and its scheduler closed and started again.
    void ExpectOldBackAndRunning(winetest::CProcess& scheduler) {
        EXPECT_TRUE(SameTime(LastWriteTime(m_module), kOld)) << "the module was not put back";
        // The new files written beside the old ones went again.
        for (const std::string& file : {m_module, m_program, m_uninstaller})
            EXPECT_FALSE(FileExists(file + ".new")) << file;
        ExpectInstalled();
        EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue),
                  "\"" + m_program + "\" /minimized");
        EXPECT_TRUE(scheduler.WaitExit());
        EXPECT_NE(WaitForScheduler(), nullptr) << "the closed scheduler was not started again";
    }

    // Makes path a link to Linux's /dev/full, on which every write fails as
    // on a full disk (ERROR_DISK_FULL): Wine writes through the link, and
    // starts Linux programs such as ln.
    static bool LinkToFullDisk(const std::string& path) {
        typedef char*(CDECL * UnixName)(const wchar_t*);
        const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        const std::wstring wide(path.begin(), path.end());
        char* const name = unixName ? unixName(wide.c_str()) : nullptr;
        if (!name)
            return false;
        const std::string link = name;
        HeapFree(GetProcessHeap(), 0, name);
        // Named in full: a name without an extension would get ".exe".
        std::string line = "ln -s /dev/full \"" + link + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (!CreateProcessA("Z:\\bin\\ln", &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &info))
            return false;
        // Wine does not wait for a Linux program: the link is there when
        // it opens (Wine gives a device no attributes).
        const CUniqueHandle process(info.hProcess), thread(info.hThread);
        return winetest::WaitFor([&] {
            return static_cast<bool>(CUniqueHandle(
                CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
        });
    }

    // The scheduler's window, once something has started it.
    HWND WaitForScheduler() {
        HWND window = nullptr;
        winetest::WaitFor([&] { return (window = SchedulerWindow()) != nullptr; });
        return window;
    }

    void ExpectInstalled() {
        EXPECT_TRUE(FileExists(m_program));
        EXPECT_TRUE(FileExists(m_uninstaller));
        EXPECT_EQ(FileVersionText(m_program), WAKEUP_VERSION_TEXT);
        EXPECT_EQ(FileVersionText(m_module), WAKEUP_VERSION_TEXT);

        // Registered as regsvr32 registers it, from where it was put.
        EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, kPlayerExtClsid + "\\InprocServer32"), m_module);
        // The host's way to it: hostsim creates the class by its program
        // identifier and calls it; the module answers E_NOTIMPL.
        DWORD exitCode = STILL_ACTIVE;
        EXPECT_TRUE(winetest::RunToExit("\"" + WindowsPath(WAKEUP_HOSTSIM) + "\" selection 7",
                                        exitCode, kRunDeadlineMs));
        EXPECT_EQ(exitCode, static_cast<DWORD>(E_NOTIMPL)) << "creating OrvisaExt.PlayerExt";

        EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "OrvisaWakeup");
        EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), WAKEUP_VERSION);
        EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
                  "\"" + m_uninstaller + "\"");
        EXPECT_TRUE(FileExists(CommonStartMenuPrograms() + "\\OrvisaWakeUp.lnk"));
    }

    void ExpectUninstalled() {
        EXPECT_FALSE(FileExists(m_programDir)) << "files left in " << m_programDir;
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "OrvisaExt.PlayerExt"));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kPlayerExtClsid));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
        EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue), kMissing);
        EXPECT_FALSE(FileExists(CommonStartMenuPrograms() + "\\OrvisaWakeUp.lnk"));

        EXPECT_EQ(ReadFileBytes(m_hostDir + "\\tvrecord.xml"), kSchedule);
        EXPECT_EQ(KeyValues(HKEY_CURRENT_USER, kSettingsKey), m_settings);
    }

    static constexpr FILETIME kOld{0x2A000000, 0x01C00000};
    static constexpr const char* kSchedule =
        "<?xml version=\"1.0\"?>\r\n<tvrecord>\r\n"
        "  <program start=\"3-2-2005T22:25:00\" freq=\"once\" channel=\"ZDF\"/>\r\n"
        "</tvrecord>\r\n";

    winetest::CTempDir m_temp;
    std::string m_hostDir;
    std::string m_programDir;
    std::string m_program;
    std::string m_module;
    std::string m_uninstaller;
    ValueMap m_settings;
};

TEST_F(Installer, SilentInstallLeavesTheStartToTheLogonAndAnUpgradeStartsTheSchedulerAgain) {
    ASSERT_EQ(Install(""), 0u);
    ExpectInstalled();
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue),
              "\"" + m_program + "\" /minimized");
    // The installer has ended, so a scheduler it started would be listed.
    EXPECT_TRUE(Processes(0, "kelmarwakeup.exe").empty()) << "a silent install started it";

    // One that closes when asked, as the logon starts it, and one that does
    // not.
    winetest::CProcess scheduler;
    ASSERT_TRUE(scheduler.Start("\"" + m_program + "\""));
    ASSERT_NE(WaitForScheduler(), nullptr);
    const CUniqueHandle hung = StartSuspended(m_program);
    ASSERT_TRUE(hung);
    const CScopeExit endHung([&] { TerminateProcess(hung.Get(), 1); });
    ASSERT_NO_FATAL_FAILURE(MarkOld());

    ASSERT_EQ(Install(""), 0u);
    EXPECT_TRUE(scheduler.WaitExit()) << "the running scheduler was not closed";
    EXPECT_EQ(scheduler.ExitCode(), 0u) << "ended although it closed when asked";
    EXPECT_EQ(WaitForSingleObject(hung.Get(), 0), WAIT_OBJECT_0) << "the hung one was not ended";
    EXPECT_FALSE(SameTime(LastWriteTime(m_program), kOld)) << "the scheduler was not replaced";
    EXPECT_FALSE(SameTime(LastWriteTime(m_module), kOld)) << "the module was not replaced";
    ExpectInstalled();
    // Its session ran one, so it runs one again: once, minimised (in the
    // notification area, or in the task bar where there is none).
    const HWND again = WaitForScheduler();
    ASSERT_NE(again, nullptr) << "the scheduler was not started again";
    EXPECT_NE(WindowProcess(again), scheduler.Id());
    EXPECT_TRUE(winetest::WaitFor([&] { return IsIconic(again) != FALSE; })) << "not minimised";
    EXPECT_EQ(Processes(0, "kelmarwakeup.exe").size(), 1u);

    EXPECT_EQ(Uninstall(), 0u);
    ExpectUninstalled();
}

// What the installer runs after an interactive install, wired to the
// desktop shell of Wine: the shell, not the helper, starts the scheduler.
TEST_F(Installer, HelperStartsTheSchedulerThroughTheDesktopShell) {
    ASSERT_EQ(Install("/NOAUTOSTART"), 0u);
    winetest::CProcess helper;
    // No record of closed schedulers: only this session's start.
    ASSERT_TRUE(helper.Start("\"" + WindowsPath(WAKEUP_SETUPHELPER) + "\" restart \"" +
                             m_temp.Path() + "\\none\" \"" + m_program + "\" /here"));
    ASSERT_TRUE(helper.WaitExit(kRunDeadlineMs));
    EXPECT_EQ(helper.ExitCode(), 0u);
    EXPECT_NE(WaitForScheduler(), nullptr) << "the shell did not start the scheduler";
    EXPECT_TRUE(Children(helper).empty()) << "the helper started it itself";
}

TEST_F(Installer, UpgradeWaitsUntilTheHostLetsGoOfTheModule) {
    ASSERT_EQ(Install("/NOAUTOSTART"), 0u);
    ASSERT_NO_FATAL_FAILURE(MarkOld());
    winetest::CProcess host;
    ASSERT_TRUE(HoldModule(host));

    EXPECT_EQ(Install(""), kFilesInUse);
    // Nothing changed: the old files, still registered, and no logon entry,
    // which this install would have added.
    EXPECT_TRUE(SameTime(LastWriteTime(m_program), kOld));
    EXPECT_TRUE(SameTime(LastWriteTime(m_module), kOld));
    ExpectInstalled();
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue), kMissing);

    host.End();
    ASSERT_EQ(Install(""), 0u);
    EXPECT_FALSE(SameTime(LastWriteTime(m_module), kOld)) << "the module was not replaced";
    ExpectInstalled();
}

// A file that cannot be written once the checks have passed, as the module
// cannot when a host loads it in between: the installed version stays as it
// was, registered, started at logon, and running.
TEST_F(Installer, FailedWriteLeavesTheInstalledVersionWorking) {
    winetest::CProcess scheduler;
    ASSERT_NO_FATAL_FAILURE(InstallOldAndRun(scheduler));
    // A folder in the uninstaller's place: the last swap fails, after the
    // module and the program were swapped in.
    ASSERT_TRUE(DeleteFileA(m_uninstaller.c_str()));
    ASSERT_TRUE(CreateDirectoryA(m_uninstaller.c_str(), nullptr));

    // Without start at logon, which would take the earlier entry away.
    EXPECT_EQ(Install("/NOAUTOSTART"), kWriteFailed);
    EXPECT_TRUE(SameTime(LastWriteTime(m_program), kOld)) << "the scheduler was not put back";
    ExpectOldBackAndRunning(scheduler);

    ASSERT_TRUE(RemoveDirectoryA(m_uninstaller.c_str()));
    EXPECT_EQ(Install(""), 0u);
    ExpectInstalled();
}

// A write that fails partway, as on a full disk: NSIS ends the install on
// its own, and its failure callback puts the installed version back.
TEST_F(Installer, WriteFailingPartwayPutsTheInstalledVersionBack) {
    winetest::CProcess scheduler;
    ASSERT_NO_FATAL_FAILURE(InstallOldAndRun(scheduler));
    // The program's new file, written after the module's, on a full disk.
    ASSERT_TRUE(LinkToFullDisk(m_program + ".new"));

    EXPECT_EQ(Install("/NOAUTOSTART"), kWriteFailed);
    EXPECT_TRUE(SameTime(LastWriteTime(m_program), kOld)) << "the scheduler was not put back";
    ExpectOldBackAndRunning(scheduler);
}

TEST_F(Installer, UninstallMovesALoadedModuleAsideAndDeletesItAtRestart) {
    ASSERT_EQ(Install("/NOAUTOSTART"), 0u);
    winetest::CProcess host;
    ASSERT_TRUE(HoldModule(host));
    const std::string pending = PendingRenames();
    const CScopeExit restorePending([&] { RestorePendingRenames(pending); });
    const std::string aside = m_module + ".removed";

    EXPECT_EQ(UninstallInPlace(), kRestartNeeded);
    EXPECT_FALSE(FileExists(m_program));
    EXPECT_FALSE(FileExists(m_module)) << "a new install here would lose its module at restart";
    EXPECT_TRUE(FileExists(aside));
    EXPECT_NE(PendingRenames().find(aside), std::string::npos)
        << "its deletion at restart was not scheduled";

    // What the restart does, once the host has ended.
    host.End();
    EXPECT_TRUE(DeleteFileA(aside.c_str()));
    EXPECT_TRUE(DeleteFileA(m_uninstaller.c_str()));
    EXPECT_TRUE(RemoveDirectoryA(m_programDir.c_str()));
    ExpectUninstalled();
}

TEST_F(Installer, InstallIntoAnotherHostDirectoryUninstallsTheEarlierOneAndStartsTheNew) {
    ASSERT_EQ(Install(""), 0u);
    const std::string earlierDir = m_programDir;
    winetest::CProcess scheduler;
    ASSERT_TRUE(scheduler.Start("\"" + m_program + "\""));
    ASSERT_NE(WaitForScheduler(), nullptr);

    ASSERT_NO_FATAL_FAILURE(UseHostDir("Orvisa 2"));
    ASSERT_EQ(Install(""), 0u);
    EXPECT_TRUE(scheduler.WaitExit()) << "the earlier scheduler was not closed";
    EXPECT_FALSE(FileExists(earlierDir)) << "files left in " << earlierDir;
    ExpectInstalled();
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"), m_programDir);
    const HWND again = WaitForScheduler();
    ASSERT_NE(again, nullptr) << "the scheduler was not started again";
    EXPECT_EQ(lstrcmpiA(ProcessImage(WindowProcess(again)).c_str(), m_program.c_str()), 0)
        << ProcessImage(WindowProcess(again));
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue),
              "\"" + m_program + "\" /minimized");
}

TEST_F(Installer, NoAutostartSwitchLeavesOutStartAtLogon) {
    ASSERT_EQ(Install("/NOAUTOSTART"), 0u);
    ExpectInstalled();
    EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, kRunKey, kRunValue), kMissing);
    // The installer has ended, so a scheduler it started would be listed.
    EXPECT_TRUE(Processes(0, "kelmarwakeup.exe").empty());

    EXPECT_EQ(Uninstall(), 0u);
    ExpectUninstalled();
}

// Wine's PowerEnumerate answers ERROR_CALL_NOT_IMPLEMENTED: nothing can be
// changed, so nothing may be recorded; an update must keep what an earlier
// install recorded on a PC with real plans, and the uninstaller, which
// cannot put it back here, still removes everything.
TEST_F(Installer, PowerPlansThatCannotBeListedFailNothingAndAnUpdateKeepsTheirRecord) {
    const std::string record = m_programDir + "\\powerplans.txt";
    ASSERT_EQ(Install(""), 0u);
    EXPECT_FALSE(FileExists(record)) << "a change was recorded that was not made";

    const std::wstring line = L"{381B4222-F694-41F0-9685-FF5BB260DF2E} 0\n";
    const std::string earlier(reinterpret_cast<const char*>(line.data()),
                              line.size() * sizeof(wchar_t));
    ASSERT_TRUE(winetest::WriteFileBytes(record, earlier));
    ASSERT_EQ(Install(""), 0u);
    EXPECT_EQ(ReadFileBytes(record), earlier)
        << "the values from before the first install are lost";

    EXPECT_EQ(Uninstall(), 0u);
    ExpectUninstalled();
}

TEST_F(Installer, RegistrationFailureUndoesTheInstall) {
    EXPECT_EQ(Install("", WAKEUP_FAILING_SETUP), 2u) << "the install did not stop";
    ExpectUninstalled();

    // Over an earlier install, whose module the failed one replaced: the
    // earlier one is back, registered, with its entries, and runs again.
    winetest::CProcess scheduler;
    ASSERT_NO_FATAL_FAILURE(InstallOldAndRun(scheduler));
    EXPECT_EQ(Install("", WAKEUP_FAILING_SETUP), 2u) << "the install did not stop";
    ExpectOldBackAndRunning(scheduler);
}

} // namespace
