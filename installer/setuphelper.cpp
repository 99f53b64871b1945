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
//   setuphelper allow-wake-timers <record>
//       sets "Allow wake timers" on mains power to Enable in every power
//       plan, and adds to the file <record> each plan it changes with its
//       value before, unless the plan is in it already. 0 when every plan
//       allows them now, else the system error of the last plan (or of
//       the record) it could not read or change.
//   setuphelper restore-wake-timers <record>
//       puts back the values of <record> in the plans that still exist and
//       still allow wake timers, as the installer left them. 0, or the
//       last system error.
//
// A GUI program, so that no console window flashes up during the install.
#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <powrprof.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <taskschd.h>
#include <tlhelp32.h>
#include <wtsapi32.h>

#include <cwchar>

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
// Fixed bounds rather than the C++ library's containers, which would bring
// its exception support along and make the helper five times its size: a
// PC has a handful of sessions, and one scheduler in each.
constexpr int kMaxPrograms = 2;
constexpr int kMaxProcesses = 64;
constexpr int kMaxUser = 256; // DOMAIN\name

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

struct CProgramFiles {
    BY_HANDLE_FILE_INFORMATION files[kMaxPrograms];
    int count = 0;
};

struct CProcessList {
    CProgramProcess items[kMaxProcesses];
    int count = 0;
};

// Window lookup sees only this session's desktop, so the processes are
// found by their image: a copy in another user's session, one hung behind
// a message box, one that never made a window. Opened only to be read and
// waited for, which is all that an elevated administrator is sure to get
// on another user's process.
void FindProcesses(const CProgramFiles& targets, CProcessList& found) {
    const CUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more && found.count < kMaxProcesses;
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
        for (int i = 0; i < targets.count; ++i) {
            if (!SameFile(info, targets.files[i]))
                continue;
            CProgramProcess& item = found.items[found.count++];
            item.id = entry.th32ProcessID;
            item.session = 0;
            ProcessIdToSessionId(entry.th32ProcessID, &item.session);
            item.process = std::move(process);
            break;
        }
    }
}

struct CRecordedSession {
    DWORD session;
    wchar_t user[kMaxUser]; // empty: nobody logged on
};

struct CSessionList {
    CRecordedSession items[kMaxProcesses];
    int count = 0;

    bool Has(DWORD session) const {
        for (int i = 0; i < count; ++i)
            if (items[i].session == session)
                return true;
        return false;
    }
};

// The user logged on in a session, as DOMAIN\name.
void SessionUser(DWORD session, wchar_t (&user)[kMaxUser]) {
    user[0] = 0;
    CUniqueWtsMemory domain, name;
    DWORD bytes = 0;
    if (!WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSDomainName,
                                     reinterpret_cast<LPWSTR*>(domain.Put()), &bytes) ||
        !WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, session, WTSUserName,
                                     reinterpret_cast<LPWSTR*>(name.Put()), &bytes))
        return;
    const wchar_t* domainText = static_cast<const wchar_t*>(domain.Get());
    const wchar_t* nameText = static_cast<const wchar_t*>(name.Get());
    if (!*nameText)
        return;
    if (std::wcslen(domainText) + std::wcslen(nameText) + 2 > kMaxUser)
        return;
    wsprintfW(user, *domainText ? L"%s\\%s" : L"%s%s", domainText, nameText);
}

// A record is UTF-16 text, one line per item, each ended by a line feed.
bool WriteRecordLine(HANDLE file, const wchar_t* line) {
    const DWORD bytes = static_cast<DWORD>(std::wcslen(line) * sizeof(wchar_t));
    DWORD done = 0;
    return WriteFile(file, line, bytes, &done, nullptr) && done == bytes;
}

// Hands each line of the record to onLine, its line feed cut off. 0, or
// the system error that kept the record from being read
// (ERROR_FILE_NOT_FOUND: there is none).
template <class OnLine> DWORD ReadRecordLines(const wchar_t* path, OnLine onLine) {
    const CUniqueHandle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    static wchar_t text[kMaxProcesses * (kMaxUser + 16)];
    DWORD got = 0;
    if (!file || !ReadFile(file.Get(), text, sizeof text - sizeof(wchar_t), &got, nullptr))
        return GetLastError();
    text[got / sizeof(wchar_t)] = 0;
    for (wchar_t* line = text; *line;) {
        wchar_t* end = std::wcschr(line, L'\n');
        if (end)
            *end = 0;
        onLine(line);
        line = end ? end + 1 : line + std::wcslen(line);
    }
    return ERROR_SUCCESS;
}

// The record: one line per session, "<session> <user>".
bool WriteRecord(const wchar_t* path, const CProcessList& processes) {
    const CUniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    CSessionList written;
    for (int i = 0; i < processes.count; ++i) {
        const DWORD session = processes.items[i].session;
        if (written.Has(session))
            continue;
        CRecordedSession& item = written.items[written.count++];
        item.session = session;
        SessionUser(session, item.user);
        wchar_t line[kMaxUser + 16];
        wsprintfW(line, L"%lu %s\n", session, item.user);
        if (!WriteRecordLine(file.Get(), line))
            return false;
    }
    return true;
}

// No record, or an empty one: no session ran the program.
void ReadRecord(const wchar_t* path, CSessionList& sessions) {
    ReadRecordLines(path, [&](const wchar_t* line) {
        wchar_t* rest = nullptr;
        const unsigned long session = std::wcstoul(line, &rest, 10);
        if (sessions.count < kMaxProcesses && rest != line && *rest == L' ' &&
            std::wcslen(rest + 1) < kMaxUser) {
            CRecordedSession& item = sessions.items[sessions.count++];
            item.session = session;
            lstrcpyW(item.user, rest + 1);
        }
    });
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

DWORD CloseProcesses(const wchar_t* record, const CProgramFiles& targets) {
    EnableDebugPrivilege();
    CProcessList processes;
    FindProcesses(targets, processes);
    if (std::wcscmp(record, L"-") != 0 && !WriteRecord(record, processes))
        return static_cast<DWORD>(processes.count + 1); // nothing closed without its record
    bool asked[kMaxProcesses] = {};
    for (int i = 0; i < processes.count; ++i) {
        CCloseRequest request{processes.items[i].id, false};
        EnumWindows(AskToClose, reinterpret_cast<LPARAM>(&request));
        asked[i] = request.asked;
    }
    // One deadline for all: those asked close side by side. One that no
    // window here could ask (another session's, one without a window yet)
    // has nothing to wait for.
    const ULONGLONG deadline = GetTickCount64() + kCloseDeadlineMs;
    DWORD left = 0;
    for (int i = 0; i < processes.count; ++i) {
        const ULONGLONG now = GetTickCount64();
        const DWORD wait = asked[i] && now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (WaitForSingleObject(processes.items[i].process.Get(), wait) != WAIT_OBJECT_0 &&
            !EndProcess(processes.items[i]))
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
    CProgramFiles target;
    target.files[target.count++] = program;
    const ULONGLONG deadline = GetTickCount64() + kStartDeadlineMs;
    do {
        CProcessList found;
        FindProcesses(target, found);
        for (int i = 0; i < found.count; ++i)
            if (found.items[i].session == session)
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
    wchar_t name[64];
    wsprintfW(name, L"OrvisaWakeup start in session %lu", target.session);
    const CUniqueBstr root(SysAllocString(L"\\"));
    const CUniqueBstr taskName(SysAllocString(name));
    const CUniqueBstr user(SysAllocString(target.user));
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
        FAILED(hr = settings->put_StopIfGoingOnBatteries(VARIANT_FALSE)) ||
        // Normal priority: a task's default (7) runs below normal with low
        // I/O, and the scheduler would keep that for the whole session.
        FAILED(hr = settings->put_Priority(5)))
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
    CSessionList sessions;
    ReadRecord(record, sessions);
    if (here && !sessions.Has(own) && sessions.count < kMaxProcesses) {
        CRecordedSession& item = sessions.items[sessions.count++];
        item.session = own;
        SessionUser(own, item.user);
    }
    DWORD failed = 0;
    for (int i = 0; i < sessions.count; ++i) {
        const CRecordedSession& recorded = sessions.items[i];
        HRESULT hr = E_FAIL;
        // In this session the desktop shell starts it; where there is none
        // (a deployment tool's install), the task does.
        if (recorded.session == own)
            hr = StartThroughShell(program, here ? L"" : kMinimized);
        if (FAILED(hr) && recorded.user[0])
            hr = StartAsTask(program, recorded);
        if (FAILED(hr))
            ++failed;
    }
    return failed;
}

// "Allow wake timers" (GUID_ALLOW_RTC_WAKE of GUID_SLEEP_SUBGROUP): 0
// disable, 1 enable, 2 important wake timers only. The scheduler's timer
// wakes the PC only where the plan in use enables them, and a user may
// switch plans at night: every plan is changed, on mains power only.
constexpr DWORD kWakeTimersEnabled = 1;
// A PC has a handful of power plans.
constexpr int kMaxPlans = 32;
constexpr int kGuidChars = 39; // with the braces and the null

struct CPlanValue {
    GUID plan;
    DWORD onMains; // as it was before the installer changed it
};

struct CPlanList {
    CPlanValue items[kMaxPlans];
    int count = 0;

    const CPlanValue* Find(const GUID& plan) const {
        for (int i = 0; i < count; ++i)
            if (IsEqualGUID(items[i].plan, plan))
                return &items[i];
        return nullptr;
    }
    bool Add(const GUID& plan, DWORD onMains) {
        if (count == kMaxPlans)
            return false;
        items[count++] = {plan, onMains};
        return true;
    }
};

// The plans' record: one line per plan the installer changed, "<plan>
// <value on mains before>". None: nothing was changed.
DWORD ReadPlanRecord(const wchar_t* path, CPlanList& plans) {
    const DWORD error = ReadRecordLines(path, [&](wchar_t* line) {
        wchar_t* const blank = std::wcschr(line, L' ');
        if (!blank)
            return;
        *blank = 0;
        GUID plan;
        wchar_t* end = nullptr;
        const unsigned long onMains = std::wcstoul(blank + 1, &end, 10);
        if (end != blank + 1 && SUCCEEDED(IIDFromString(line, &plan)) && !plans.Find(plan))
            plans.Add(plan, onMains);
    });
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

bool WritePlanLines(const wchar_t* path, const CPlanList& plans) {
    const CUniqueHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    for (int i = 0; i < plans.count; ++i) {
        wchar_t line[kGuidChars + 16];
        StringFromGUID2(plans.items[i].plan, line, kGuidChars);
        wsprintfW(line + kGuidChars - 1, L" %lu\n", plans.items[i].onMains);
        if (!WriteRecordLine(file.Get(), line))
            return false;
    }
    return true;
}

// Written beside the record and swapped in: a write that stops halfway
// must not lose what an earlier install recorded.
DWORD WritePlanRecord(const wchar_t* path, const CPlanList& plans) {
    wchar_t written[MAX_PATH * 4];
    if (std::wcslen(path) + 5 > sizeof written / sizeof written[0])
        return ERROR_FILENAME_EXCED_RANGE;
    lstrcpyW(written, path);
    lstrcatW(written, L".new");
    if (WritePlanLines(written, plans) &&
        MoveFileExW(written, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    DeleteFileW(written);
    return error;
}

// ERROR_NO_MORE_ITEMS after the last plan.
DWORD PlanAt(ULONG index, GUID& plan) {
    DWORD size = sizeof plan;
    return PowerEnumerate(nullptr, nullptr, nullptr, ACCESS_SCHEME, index,
                          reinterpret_cast<UCHAR*>(&plan), &size);
}

// A change to the active plan takes effect only once the plan is made
// active again; the others are read when the user switches to them.
DWORD ApplyToActivePlan(const CPlanList& changed) {
    if (changed.count == 0)
        return ERROR_SUCCESS;
    GUID* active = nullptr;
    const DWORD error = PowerGetActiveScheme(nullptr, &active);
    if (error != ERROR_SUCCESS)
        return error;
    const CUniqueLocalMemory owner(active);
    return changed.Find(*active) ? PowerSetActiveScheme(nullptr, active) : ERROR_SUCCESS;
}

DWORD AllowWakeTimers(const wchar_t* record) {
    // Over an earlier install the record keeps the values from before the
    // first one; one that cannot be read is not written over.
    CPlanList recorded;
    DWORD error = ReadPlanRecord(record, recorded);
    if (error != ERROR_SUCCESS)
        return error;
    const int earlier = recorded.count;
    CPlanList blocking;
    DWORD failed = ERROR_SUCCESS;
    GUID plan;
    for (ULONG i = 0; (error = PlanAt(i, plan)) != ERROR_NO_MORE_ITEMS; ++i) {
        if (error != ERROR_SUCCESS)
            return error; // no plan to be had: nothing is changed
        DWORD onMains = 0;
        if ((error = PowerReadACValueIndex(nullptr, &plan, &GUID_SLEEP_SUBGROUP,
                                           &GUID_ALLOW_RTC_WAKE, &onMains)) != ERROR_SUCCESS) {
            failed = error;
            continue;
        }
        if (onMains == kWakeTimersEnabled)
            continue;
        // Nothing is changed that the record cannot hold.
        if ((!recorded.Find(plan) && !recorded.Add(plan, onMains)) || !blocking.Add(plan, onMains))
            failed = ERROR_INSUFFICIENT_BUFFER;
    }
    if (recorded.count > earlier && (error = WritePlanRecord(record, recorded)) != ERROR_SUCCESS)
        return error;

    CPlanList changed;
    for (int i = 0; i < blocking.count; ++i) {
        const CPlanValue& item = blocking.items[i];
        error = PowerWriteACValueIndex(nullptr, &item.plan, &GUID_SLEEP_SUBGROUP,
                                       &GUID_ALLOW_RTC_WAKE, kWakeTimersEnabled);
        if (error == ERROR_SUCCESS)
            changed.Add(item.plan, item.onMains);
        else
            failed = error;
    }
    error = ApplyToActivePlan(changed);
    return error != ERROR_SUCCESS ? error : failed;
}

// Only plans that still exist and still enable wake timers, as the
// installer left them: a value the user changed since is the user's.
DWORD RestoreWakeTimers(const wchar_t* record) {
    CPlanList recorded;
    DWORD error = ReadPlanRecord(record, recorded);
    if (error != ERROR_SUCCESS || recorded.count == 0)
        return error;
    CPlanList changed;
    DWORD failed = ERROR_SUCCESS;
    GUID plan;
    for (ULONG i = 0; (error = PlanAt(i, plan)) != ERROR_NO_MORE_ITEMS; ++i) {
        if (error != ERROR_SUCCESS) {
            failed = error;
            break;
        }
        const CPlanValue* item = recorded.Find(plan);
        if (!item)
            continue;
        DWORD onMains = 0;
        if ((error = PowerReadACValueIndex(nullptr, &plan, &GUID_SLEEP_SUBGROUP,
                                           &GUID_ALLOW_RTC_WAKE, &onMains)) == ERROR_SUCCESS &&
            onMains == kWakeTimersEnabled &&
            (error = PowerWriteACValueIndex(nullptr, &plan, &GUID_SLEEP_SUBGROUP,
                                            &GUID_ALLOW_RTC_WAKE, item->onMains)) == ERROR_SUCCESS)
            changed.Add(plan, item->onMains);
        if (error != ERROR_SUCCESS)
            failed = error;
    }
    error = ApplyToActivePlan(changed);
    return error != ERROR_SUCCESS ? error : failed;
}

DWORD Run(int argc, wchar_t** argv) {
    if (argc < 3)
        return ERROR_BAD_ARGUMENTS;
    const wchar_t* command = argv[1];
    const wchar_t* record = argv[2];
    if (argc == 3 && std::wcscmp(command, L"allow-wake-timers") == 0)
        return AllowWakeTimers(record);
    if (argc == 3 && std::wcscmp(command, L"restore-wake-timers") == 0)
        return RestoreWakeTimers(record);
    if (argc < 4)
        return ERROR_BAD_ARGUMENTS;
    if (std::wcscmp(command, L"close") == 0 && argc - 3 <= kMaxPrograms) {
        CProgramFiles targets;
        for (int i = 3; i < argc; ++i)
            if (FileIdentity(argv[i], targets.files[targets.count])) // else nothing runs it
                ++targets.count;
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
