// setuphelper.exe: what the installer and the uninstaller need done and
// cannot do with their own commands. They unpack it into their plugins
// folder and run it, one command a run:
//
//   setuphelper close <record> <program> [<program>]
//       closes every process, in any session, whose image is one of the
//       programs: asks its window to close where this desktop shows it,
//       waits, and ends what did not close. First writes to the file
//       <record> ("-": none) each session that ran one and the session's
//       user. 0 when none is left, else how many are still running.
//   setuphelper restart <record> <program> [/here]
//       starts the program, minimised, in every session of <record>, as
//       that session's user; /here: in this session too, shown. 0 when it
//       started everywhere, else in how many sessions it did not.
//
// A GUI program, so that no console window flashes up during the install.
#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <taskschd.h>
#include <tlhelp32.h>
#include <wtsapi32.h>

#include <cwchar>
#include <string>
#include <vector>

#include "common/WakeupNames.h"
#include "common/win32/Owners.h"

namespace {

// How long the schedulers, together, may take to close when asked, and how
// long an ended process or a started one may take.
constexpr DWORD kCloseDeadlineMs = 10000;
constexpr DWORD kEndDeadlineMs = 10000;
constexpr DWORD kStartDeadlineMs = 10000;
constexpr DWORD kPollMs = 100;
constexpr wchar_t kMinimized[] = L"/minimized";

// The file behind a path, whatever the spelling (short names, case,
// another drive letter for the same volume).
bool FileIdentity(const wchar_t* path, BY_HANDLE_FILE_INFORMATION& info) {
    const CUniqueHandle file(CreateFileW(path, FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    return file && GetFileInformationByHandle(file.Get(), &info);
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

// Another user's processes grant an administrator little by their own
// access lists; the debug privilege, which an elevated administrator holds
// but has not switched on, opens them for ending.
void EnableDebugPrivilege() {
    CUniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.Put()))
        return;
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid))
        AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}

struct CProgramProcess {
    DWORD id;
    DWORD session;
    CUniqueHandle process; // to wait for it
};

// Window lookup sees only this session's desktop, so the processes are
// found by their image: a copy in another user's session, one hung behind
// a message box, one that never made a window. Opened only to be read and
// waited for, which is all that an elevated administrator is sure to get
// on another user's process.
std::vector<CProgramProcess> FindProcesses(const std::vector<BY_HANDLE_FILE_INFORMATION>& targets) {
    std::vector<CProgramProcess> found;
    const CUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            continue;
        CUniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                          entry.th32ProcessID));
        if (!process)
            continue; // not ours to close; what it holds shows in the file checks
        wchar_t image[MAX_PATH * 4];
        DWORD size = sizeof image / sizeof image[0];
        BY_HANDLE_FILE_INFORMATION info{};
        if (!QueryFullProcessImageNameW(process.Get(), 0, image, &size) ||
            !FileIdentity(image, info))
            continue;
        for (const BY_HANDLE_FILE_INFORMATION& target : targets) {
            if (!SameFile(info, target))
                continue;
            DWORD session = 0;
            ProcessIdToSessionId(entry.th32ProcessID, &session);
            found.push_back({entry.th32ProcessID, session, std::move(process)});
            break;
        }
    }
    return found;
}

// The user logged on in a session, as DOMAIN\name; empty when none is.
std::wstring SessionUser(DWORD session) {
    std::wstring names[2];
    const WTS_INFO_CLASS kinds[2] = {WTSDomainName, WTSUserName};
    for (int i = 0; i < 2; ++i) {
        CUniqueWtsMemory text;
        DWORD bytes = 0;
        if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, kinds[i],
                                         reinterpret_cast<LPWSTR*>(text.Put()), &bytes))
            return std::wstring();
        names[i] = static_cast<const wchar_t*>(text.Get());
    }
    if (names[1].empty())
        return std::wstring();
    return names[0].empty() ? names[1] : names[0] + L"\\" + names[1];
}

// The record: one line per session, "<session> <user>", in UTF-16.
bool WriteRecord(const wchar_t* path, const std::vector<CProgramProcess>& processes) {
    std::wstring text;
    std::vector<DWORD> sessions;
    for (const CProgramProcess& found : processes) {
        bool seen = false;
        for (DWORD session : sessions)
            seen = seen || session == found.session;
        if (seen)
            continue;
        sessions.push_back(found.session);
        text += std::to_wstring(found.session) + L" " + SessionUser(found.session) + L"\n";
    }
    const CUniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    return file && WriteFile(file.Get(), text.data(), bytes, &written, nullptr) && written == bytes;
}

struct CRecordedSession {
    DWORD session;
    std::wstring user;
};

// No record, or an empty one: no session ran the program.
std::vector<CRecordedSession> ReadRecord(const wchar_t* path) {
    std::vector<CRecordedSession> sessions;
    const CUniqueHandle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file)
        return sessions;
    std::wstring text;
    wchar_t buffer[256];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got / sizeof(wchar_t));
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring line = text.substr(start, end - start);
        const size_t blank = line.find(L' ');
        if (blank != std::wstring::npos)
            sessions.push_back({static_cast<DWORD>(std::wcstoul(line.c_str(), nullptr, 10)),
                                line.substr(blank + 1)});
        start = end + 1;
    }
    return sessions;
}

struct CCloseRequest {
    DWORD processId;
    bool asked;
};

// The scheduler's own window takes WM_CLOSE like a click on its close box;
// other windows of the process (an open about box) are left alone.
BOOL CALLBACK AskToClose(HWND window, LPARAM param) {
    CCloseRequest& request = *reinterpret_cast<CCloseRequest*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[64] = {};
    char title[64] = {};
    if (owner == request.processId && GetClassNameA(window, name, sizeof name) &&
        lstrcmpA(name, WAKEUP_WINDOW_CLASS) == 0 && GetWindowTextA(window, title, sizeof title) &&
        lstrcmpA(title, WAKEUP_WINDOW_TITLE) == 0 && PostMessageW(window, WM_CLOSE, 0, 0))
        request.asked = true;
    return TRUE;
}

// The end of one that did not close. Only now is the right to end it asked
// for, which the debug privilege grants.
bool EndProcess(const CProgramProcess& found) {
    const CUniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, found.id));
    if (process)
        TerminateProcess(process.Get(), ERROR_PROCESS_ABORTED);
    return WaitForSingleObject(found.process.Get(), kEndDeadlineMs) == WAIT_OBJECT_0;
}

DWORD CloseProcesses(const wchar_t* record,
                     const std::vector<BY_HANDLE_FILE_INFORMATION>& targets) {
    EnableDebugPrivilege();
    const std::vector<CProgramProcess> processes = FindProcesses(targets);
    if (std::wcscmp(record, L"-") != 0 && !WriteRecord(record, processes))
        return static_cast<DWORD>(processes.size() + 1); // nothing closed without its record
    std::vector<bool> asked;
    for (const CProgramProcess& found : processes) {
        CCloseRequest request{found.id, false};
        EnumWindows(AskToClose, reinterpret_cast<LPARAM>(&request));
        asked.push_back(request.asked);
    }
    // One deadline for all: those asked close side by side. One that no
    // window here could ask (another session's, one without a window yet)
    // has nothing to wait for.
    const ULONGLONG deadline = GetTickCount64() + kCloseDeadlineMs;
    DWORD left = 0;
    for (size_t i = 0; i < processes.size(); ++i) {
        const ULONGLONG now = GetTickCount64();
        const DWORD wait = asked[i] && now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (WaitForSingleObject(processes[i].process.Get(), wait) != WAIT_OBJECT_0 &&
            !EndProcess(processes[i]))
            ++left;
    }
    return left;
}

// An elevated installer's own token would give the program a higher
// integrity level than the host's, and the system drops the host's window
// messages to it. The desktop's Explorer runs with the logged-on user's
// own token: its shell object starts the program as a double-click would.
HRESULT StartThroughShell(const wchar_t* program, const wchar_t* arguments) {
    CComPtr<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_IShellWindows, windows.PutVoid());
    if (FAILED(hr))
        return hr;
    VARIANT none;
    VariantInit(&none);
    LONG desktopWindow = 0;
    CComPtr<IDispatch> desktop;
    hr = windows->FindWindowSW(&none, &none, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                               desktop.Put());
    if (hr != S_OK) // S_FALSE: no desktop shell (none runs, or another one)
        return FAILED(hr) ? hr : HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    CComPtr<IServiceProvider> services;
    if (FAILED(hr = desktop->QueryInterface(IID_IServiceProvider, services.PutVoid())))
        return hr;
    CComPtr<IShellBrowser> browser;
    if (FAILED(hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                           browser.PutVoid())))
        return hr;
    CComPtr<IShellView> view;
    if (FAILED(hr = browser->QueryActiveShellView(view.Put())))
        return hr;
    CComPtr<IDispatch> background;
    if (FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid())))
        return hr;
    CComPtr<IShellFolderViewDual> folderView;
    if (FAILED(hr = background->QueryInterface(IID_IShellFolderViewDual, folderView.PutVoid())))
        return hr;
    CComPtr<IDispatch> application;
    if (FAILED(hr = folderView->get_Application(application.Put())))
        return hr;
    CComPtr<IShellDispatch2> shell;
    if (FAILED(hr = application->QueryInterface(IID_IShellDispatch2, shell.PutVoid())))
        return hr;

    // Started in its own folder, as from its shortcut.
    const wchar_t* slash = std::wcsrchr(program, L'\\');
    const CUniqueBstr file(SysAllocString(program));
    const CUniqueBstr directory(
        SysAllocStringLen(program, slash ? static_cast<UINT>(slash - program) : 0));
    const CUniqueBstr argumentText(SysAllocString(arguments));
    if (!file || !directory || !argumentText)
        return E_OUTOFMEMORY;
    VARIANT in;
    VariantInit(&in);
    if (slash) {
        in.vt = VT_BSTR;
        in.bstrVal = directory.Get(); // lent: its owner frees it
    }
    VARIANT args;
    VariantInit(&args);
    if (*arguments) {
        args.vt = VT_BSTR;
        args.bstrVal = argumentText.Get(); // lent
    }
    return shell->ShellExecute(file.Get(), args, in, none, none);
}

// Waits until a process of the program runs in the session.
bool WaitUntilRunningIn(const BY_HANDLE_FILE_INFORMATION& program, DWORD session) {
    const ULONGLONG deadline = GetTickCount64() + kStartDeadlineMs;
    do {
        for (const CProgramProcess& found : FindProcesses({program}))
            if (found.session == session)
                return true;
        Sleep(kPollMs);
    } while (GetTickCount64() < deadline);
    return false;
}

// Another session's desktop is out of this one's reach, and starting a
// process there with the user's token takes the system account. The Task
// Scheduler, which runs as that account, starts a task of the user with
// "run only when the user is logged on" in the user's own session with the
// token of the user's logon, unelevated: a one-time task, run at once and
// deleted once the program runs.
HRESULT StartAsTask(const wchar_t* program, const CRecordedSession& target) {
    const wchar_t* slash = std::wcsrchr(program, L'\\');
    const std::wstring name = L"OrvisaWakeup start in session " + std::to_wstring(target.session);
    const CUniqueBstr root(SysAllocString(L"\\"));
    const CUniqueBstr taskName(SysAllocString(name.c_str()));
    const CUniqueBstr user(SysAllocString(target.user.c_str()));
    const CUniqueBstr path(SysAllocString(program));
    const CUniqueBstr arguments(SysAllocString(kMinimized));
    const CUniqueBstr directory(
        SysAllocStringLen(program, slash ? static_cast<UINT>(slash - program) : 0));
    // No limit on the run time, and not held back or stopped on battery
    // power: the scheduler runs until the session ends.
    const CUniqueBstr noLimit(SysAllocString(L"PT0S"));
    if (!root || !taskName || !user || !path || !arguments || !directory || !noLimit)
        return E_OUTOFMEMORY;
    BY_HANDLE_FILE_INFORMATION identity{};
    if (!FileIdentity(program, identity))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

    CComPtr<ITaskService> service;
    HRESULT hr = CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITaskService, service.PutVoid());
    if (FAILED(hr))
        return hr;
    VARIANT none;
    VariantInit(&none);
    if (FAILED(hr = service->Connect(none, none, none, none)))
        return hr;
    CComPtr<ITaskFolder> folder;
    if (FAILED(hr = service->GetFolder(root.Get(), folder.Put())))
        return hr;
    CComPtr<ITaskDefinition> task;
    if (FAILED(hr = service->NewTask(0, task.Put())))
        return hr;

    CComPtr<ITaskSettings> settings;
    if (FAILED(hr = task->get_Settings(settings.Put())) ||
        FAILED(hr = settings->put_ExecutionTimeLimit(noLimit.Get())) ||
        FAILED(hr = settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE)) ||
        FAILED(hr = settings->put_StopIfGoingOnBatteries(VARIANT_FALSE)))
        return hr;
    CComPtr<IPrincipal> principal;
    if (FAILED(hr = task->get_Principal(principal.Put())) ||
        FAILED(hr = principal->put_UserId(user.Get())) ||
        FAILED(hr = principal->put_LogonType(TASK_LOGON_INTERACTIVE_TOKEN)) ||
        FAILED(hr = principal->put_RunLevel(TASK_RUNLEVEL_LUA)))
        return hr;
    CComPtr<IActionCollection> actions;
    CComPtr<IAction> action;
    CComPtr<IExecAction> exec;
    if (FAILED(hr = task->get_Actions(actions.Put())) ||
        FAILED(hr = actions->Create(TASK_ACTION_EXEC, action.Put())) ||
        FAILED(hr = action->QueryInterface(IID_IExecAction, exec.PutVoid())) ||
        FAILED(hr = exec->put_Path(path.Get())) ||
        FAILED(hr = exec->put_Arguments(arguments.Get())) ||
        FAILED(hr = exec->put_WorkingDirectory(directory.Get())))
        return hr;

    VARIANT userId;
    VariantInit(&userId);
    userId.vt = VT_BSTR;
    userId.bstrVal = user.Get(); // lent
    CComPtr<IRegisteredTask> registered;
    if (FAILED(hr = folder->RegisterTaskDefinition(
                   taskName.Get(), task.Get(), TASK_CREATE_OR_UPDATE, userId, none,
                   TASK_LOGON_INTERACTIVE_TOKEN, none, registered.Put())))
        return hr;
    const CScopeExit remove([&] { folder->DeleteTask(taskName.Get(), 0); });
    CComPtr<IRunningTask> running;
    if (FAILED(hr = registered->Run(none, running.Put())))
        return hr;
    // Deleted before the start, the task would not start.
    return WaitUntilRunningIn(identity, target.session) ? S_OK : HRESULT_FROM_WIN32(ERROR_TIMEOUT);
}

DWORD Restart(const wchar_t* record, const wchar_t* program, bool here) {
    DWORD own = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &own);
    std::vector<CRecordedSession> sessions = ReadRecord(record);
    bool ownRecorded = false;
    for (const CRecordedSession& recorded : sessions)
        ownRecorded = ownRecorded || recorded.session == own;
    if (here && !ownRecorded)
        sessions.push_back({own, SessionUser(own)});
    DWORD failed = 0;
    for (const CRecordedSession& recorded : sessions) {
        HRESULT hr = E_FAIL;
        // In this session the desktop shell starts it; where there is none
        // (a deployment tool's install), the task does.
        if (recorded.session == own)
            hr = StartThroughShell(program, here ? L"" : kMinimized);
        if (FAILED(hr) && !recorded.user.empty())
            hr = StartAsTask(program, recorded);
        if (FAILED(hr))
            ++failed;
    }
    return failed;
}

DWORD Run(int argc, wchar_t** argv) {
    if (argc < 4)
        return ERROR_BAD_ARGUMENTS;
    const wchar_t* command = argv[1];
    const wchar_t* record = argv[2];
    if (std::wcscmp(command, L"close") == 0) {
        std::vector<BY_HANDLE_FILE_INFORMATION> targets;
        for (int i = 3; i < argc; ++i) {
            BY_HANDLE_FILE_INFORMATION info{};
            if (FileIdentity(argv[i], info)) // no such program: nothing runs it
                targets.push_back(info);
        }
        return CloseProcesses(record, targets);
    }
    if (std::wcscmp(command, L"restart") == 0 && argc <= 5) {
        const bool here = argc == 5 && std::wcscmp(argv[4], L"/here") == 0;
        if (argc == 5 && !here)
            return ERROR_BAD_ARGUMENTS;
        const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(init))
            return static_cast<DWORD>(init);
        const CScopeExit uninitialize([] { CoUninitialize(); });
        return Restart(record, argv[3], here);
    }
    return ERROR_BAD_ARGUMENTS;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int argc = 0;
    const CUniqueLocalMemory arguments(CommandLineToArgvW(GetCommandLineW(), &argc));
    if (!arguments)
        return static_cast<int>(GetLastError());
    return static_cast<int>(Run(argc, static_cast<wchar_t**>(arguments.Get())));
}
