#pragma once
// Shared pieces of the tests that run the real binaries under Wine: processes
// that end with the test, waits with deadlines, windows of another process,
// temporary directories and files.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win32/Owners.h"

namespace winetest {

// Default deadline of a wait, generous for a loaded machine.
constexpr DWORD kDeadlineMs = 20000;

// Polls cond until it holds or the deadline passes; true when it held.
bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs = kDeadlineMs);

// A started process that is ended when the object goes: asked to close its
// windows first, then terminated if it has not ended by the deadline.
class CProcess {
public:
    CProcess() = default;
    ~CProcess();
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;

    bool Start(const std::string& commandLine, const std::string& currentDir = std::string());
    bool Running() const;
    // Waits for the process to end by itself; true when it did.
    bool WaitExit(DWORD timeoutMs = kDeadlineMs);
    DWORD ExitCode() const;
    DWORD Id() const { return m_id; }
    HANDLE Handle() const { return m_process.Get(); }
    // Closes its top-level windows, then terminates it if needed.
    void End();

private:
    CUniqueHandle m_process;
    DWORD m_id = 0;
};

// The visible or hidden top-level window of the given title that belongs to
// the process, or null.
HWND FindProcessWindow(DWORD processId, const char* title);
// Waits for it.
HWND WaitForProcessWindow(DWORD processId, const char* title, DWORD timeoutMs = kDeadlineMs);

// Text of a window or control of another process.
std::string WindowText(HWND window);
std::string ItemText(HWND dialog, int id);
// The lines of a list box of another process (read as UTF-16: across
// processes Wine fills an ANSI request with UTF-16 text).
// newest: only that many lines from the end (each line is a round trip).
std::vector<std::string> ListBoxLines(HWND listBox, int newest = -1);
// Waits until some line of the list contains the text; returns the lines.
bool WaitForLine(HWND listBox, const std::string& part, DWORD timeoutMs = kDeadlineMs);
// Lines of the list that contain the text.
int CountLines(HWND listBox, const std::string& part);

// A fresh directory under the temporary directory, removed with its content
// when the object goes.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool RemoveTree(const std::string& path);
// Runs the command line to its end, keeping this thread's windows answering
// meanwhile (the program may send messages to them). False when it could not
// start or did not end by the deadline (it is then ended); exitCode gets its
// exit code.
bool RunToExit(const std::string& commandLine, DWORD& exitCode, DWORD timeoutMs = kDeadlineMs);

// A schedule's start attribute ("3-2-2005T22:25:00") for the local time
// minutesAhead minutes from now, at the start of that minute.
std::string ScheduleStartIn(int minutesAhead);

// The due time (UTC, file time) of the scheduler's wake timer "KelmarTimer"
// as the system holds it, when it is armed and has not fired; 0 otherwise.
// After a burst of schedule writes the log's last lines may no longer show
// the arming: the timer itself tells.
ULONGLONG ArmedDueTime();

// The directory of the running test program.
std::string ProgramDir();

} // namespace winetest
