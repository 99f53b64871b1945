// setuphelper.exe: what the installer and the uninstaller need done and
// cannot do with their own commands. They unpack it into their plugins
// folder and run it, one command a run:
//
//   setuphelper end <program>    ends every process, in any session, whose
//                                image is that file; 0 when none is left,
//                                else how many are still running
//   setuphelper start <program>  starts the program through the desktop
//                                shell, as the user who owns the shell;
//                                0 when the shell took it, else the failure
//
// A GUI program, so that no console window flashes up during the install.
#include <windows.h>
#include <exdisp.h>
#include <objbase.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cwchar>

#include "common/win32/Owners.h"

namespace {

// How long an ended process may take to go.
constexpr DWORD kEndDeadlineMs = 10000;

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

// Another user's processes grant an administrator nothing by their own
// access lists; the debug privilege, which an elevated administrator holds
// but has not switched on, opens them.
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

// Window lookup sees only this session's desktop, so the processes are
// found by their image: a copy in another user's session, one hung behind
// a message box, one that never made a window.
DWORD EndProcesses(const wchar_t* program) {
    BY_HANDLE_FILE_INFORMATION target{};
    if (!FileIdentity(program, target))
        return 0; // no such program, so nothing runs it
    EnableDebugPrivilege();
    const CUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 1; // cannot tell: as if one were left
    DWORD left = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            continue;
        const CUniqueHandle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                        entry.th32ProcessID));
        if (!process)
            continue; // not ours to end; what it holds shows in "busy"
        wchar_t image[MAX_PATH * 4];
        DWORD size = sizeof image / sizeof image[0];
        BY_HANDLE_FILE_INFORMATION info{};
        if (!QueryFullProcessImageNameW(process.Get(), 0, image, &size) ||
            !FileIdentity(image, info) || !SameFile(info, target))
            continue;
        TerminateProcess(process.Get(), ERROR_PROCESS_ABORTED);
        if (WaitForSingleObject(process.Get(), kEndDeadlineMs) != WAIT_OBJECT_0)
            ++left;
    }
    return left;
}

// An elevated installer's own token would give the program a higher
// integrity level than the host's, and the system drops the host's window
// messages to it. The desktop's Explorer runs with the logged-on user's
// own token: its shell object starts the program as a double-click would.
HRESULT StartThroughShell(const wchar_t* program) {
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
    if (!file || !directory)
        return E_OUTOFMEMORY;
    VARIANT in;
    VariantInit(&in);
    if (slash) {
        in.vt = VT_BSTR;
        in.bstrVal = directory.Get(); // lent: its owner frees it
    }
    return shell->ShellExecute(file.Get(), none, in, none, none);
}

DWORD Run(int argc, wchar_t** argv) {
    if (argc != 3)
        return ERROR_BAD_ARGUMENTS;
    const wchar_t* command = argv[1];
    const wchar_t* path = argv[2];
    if (std::wcscmp(command, L"end") == 0)
        return EndProcesses(path);
    if (std::wcscmp(command, L"start") == 0) {
        const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(init))
            return static_cast<DWORD>(init);
        const CScopeExit uninitialize([] { CoUninitialize(); });
        return static_cast<DWORD>(StartThroughShell(path));
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
