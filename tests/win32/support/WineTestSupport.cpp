#include "tests/win32/support/WineTestSupport.h"

#include <cstdio>

namespace winetest {

bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (cond())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        // Keep this thread's own windows (if any) alive while waiting.
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

CProcess::~CProcess() {
    End();
}

bool CProcess::Start(const std::string& commandLine, const std::string& currentDir) {
    End();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        currentDir.empty() ? nullptr : currentDir.c_str(), &startup, &info))
        return false;
    // Only the process is waited for; its first thread is of no use here.
    const CUniqueHandle thread(info.hThread);
    m_process.Reset(info.hProcess);
    m_id = info.dwProcessId;
    return true;
}

bool CProcess::Running() const {
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

bool CProcess::WaitExit(DWORD timeoutMs) {
    return m_process && WaitForSingleObject(m_process.Get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD CProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (m_process)
        GetExitCodeProcess(m_process.Get(), &code);
    return code;
}

namespace {
struct WindowSearch {
    DWORD processId;
    const char* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId)
        return TRUE;
    if (search->title && WindowText(window) != search->title)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> ProcessWindows(DWORD processId, const char* title) {
    WindowSearch search{processId, title, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
} // namespace

void CProcess::End() {
    if (!m_process)
        return;
    if (Running()) {
        for (HWND window : ProcessWindows(m_id, nullptr))
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (!WaitExit(5000)) {
            TerminateProcess(m_process.Get(), 1);
            WaitForSingleObject(m_process.Get(), kDeadlineMs);
        }
    }
    m_process.Reset();
    m_id = 0;
}

HWND FindProcessWindow(DWORD processId, const char* title) {
    const auto found = ProcessWindows(processId, title);
    return found.empty() ? nullptr : found.front();
}

HWND WaitForProcessWindow(DWORD processId, const char* title, DWORD timeoutMs) {
    HWND window = nullptr;
    WaitFor([&] { return (window = FindProcessWindow(processId, title)) != nullptr; }, timeoutMs);
    return window;
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::string ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

namespace {
std::string Narrow(const std::wstring& wide) {
    if (wide.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &out[0], size,
                        nullptr, nullptr);
    return out;
}
} // namespace

namespace {
constexpr size_t kLineSlack = 64 * 1024;
} // namespace

std::vector<std::string> ListBoxLines(HWND listBox, int newest) {
    std::vector<std::string> lines;
    const LRESULT count = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
    const LRESULT first = newest >= 0 && newest < count ? count - newest : 0;
    for (LRESULT i = first; i < count; ++i) {
        const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0)
            continue;
        // The program may trim its log between the two calls, so that the
        // line at this index is another, longer one: LB_GETTEXT has no
        // buffer size, and the room must cover any line the program writes.
        std::wstring text(static_cast<size_t>(length) + kLineSlack, L'\0');
        const LRESULT got = SendMessageW(listBox, LB_GETTEXT, static_cast<WPARAM>(i),
                                         reinterpret_cast<LPARAM>(&text[0]));
        text.resize(got > 0 ? static_cast<size_t>(got) : 0);
        lines.push_back(Narrow(text));
    }
    return lines;
}

int CountLines(HWND listBox, const std::string& part) {
    int n = 0;
    for (const auto& line : ListBoxLines(listBox))
        n += line.find(part) != std::string::npos ? 1 : 0;
    return n;
}

bool WaitForLine(HWND listBox, const std::string& part, DWORD timeoutMs) {
    return WaitFor([&] { return CountLines(listBox, part) > 0; }, timeoutMs);
}

CTempDir::CTempDir() {
    char base[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, base);
    for (unsigned attempt = 0; m_path.empty(); ++attempt) {
        const std::string candidate = std::string(base) + "wakeuptest" +
                                      std::to_string(GetCurrentProcessId()) + "_" +
                                      std::to_string(GetTickCount() + attempt);
        if (CreateDirectoryA(candidate.c_str(), nullptr))
            m_path = candidate;
    }
}

CTempDir::~CTempDir() {
    RemoveTree(m_path);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    const CUniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

bool RemoveTree(const std::string& path) {
    {
        // The search is closed before the directory goes: an open one keeps
        // it from being removed.
        WIN32_FIND_DATAA data;
        const CUniqueFindHandle find(FindFirstFileA((path + "\\*").c_str(), &data));
        for (bool more = find.Valid(); more; more = FindNextFileA(find.Get(), &data) != FALSE) {
            const std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        }
    }
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

bool RunToExit(const std::string& commandLine, DWORD& exitCode, DWORD timeoutMs) {
    CProcess process;
    exitCode = STILL_ACTIVE;
    if (!process.Start(commandLine))
        return false;
    // WaitFor pumps this thread's messages, so a program that sends to a
    // window of the test does not wait for us while we wait for it.
    if (!WaitFor([&] { return !process.Running(); }, timeoutMs))
        return false;
    exitCode = process.ExitCode();
    return true;
}

std::string ScheduleStartIn(int minutesAhead) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    ULARGE_INTEGER value{{file.dwLowDateTime, file.dwHighDateTime}};
    value.QuadPart += static_cast<ULONGLONG>(minutesAhead) * 60ULL * 10000000ULL;
    file = FILETIME{value.LowPart, value.HighPart};
    SYSTEMTIME later;
    FileTimeToSystemTime(&file, &later);
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%dT%02d:%02d:00", later.wMonth, later.wDay, later.wYear,
                  later.wHour, later.wMinute);
    return text;
}

std::string ProgramDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.find_last_of('\\'));
}

namespace {
struct TimerBasicInformation {
    LARGE_INTEGER remainingTime;
    BOOLEAN signaled;
};
using NtQueryTimerCall = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
} // namespace

ULONGLONG ArmedDueTime() {
    static const auto query = reinterpret_cast<NtQueryTimerCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryTimer")));
    const CUniqueHandle timer(OpenWaitableTimerA(TIMER_QUERY_STATE, FALSE, "KelmarTimer"));
    TimerBasicInformation info{};
    if (!query || !timer || query(timer.Get(), 0, &info, sizeof info, nullptr) != 0 ||
        info.signaled || info.remainingTime.QuadPart <= 0)
        return 0;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const ULARGE_INTEGER value{{now.dwLowDateTime, now.dwHighDateTime}};
    return value.QuadPart + static_cast<ULONGLONG>(info.remainingTime.QuadPart);
}

} // namespace winetest
