// soak: keeps the scheduler and the extension module busy for a number of
// minutes, as a PC that runs for months keeps them busy over days, and
// watches whether the scheduler keeps answering, keeps its wake timer on the
// newest schedule and keeps its size.
//   soak <host directory> [minutes]
// <host>\orvisawakeup holds kelmarwakeup.exe and OrvisaWakeup.dll. The tool
// registers the module, writes the settings, starts the scheduler, and ends
// all three again, also when the run fails.
//
// The load: tvrecord.xml rewritten four times a second, each time with a new
// recording start; from a second thread, once a second, a round of the
// host's events through the module loaded in this process, with suspend
// queries between them. Once a minute the load stops until the scheduler has
// armed its timer for the last write, and the figures of the scheduler and
// of this process (the module's host) are read at rest.
//
// It fails when the scheduler stops answering (a send that times out, a host
// event that does not come back, the process gone), answers a suspend query
// wrongly, has its wake timer (as the system holds it) not armed for the
// last write or its log naming another target, or grows: private memory
// more than 10 % over its value after the first minute, or more threads,
// user or GDI objects or handles than then (the last three where the system
// answers for them). Exit code 0 when it passed, 1 when it
// failed, 2 for a wrong command line.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/WakeupMessages.h"
#include "common/win32/Owners.h"
#include "extension/HostInterfaces.h"
#include "tests/win32/hostsim/FakeHostPlayer.h"
#include "tests/win32/support/ServerRegistration.h"
#include "tests/win32/support/WineTestSupport.h"
#include "wakeup/power/HostEvents.h"

namespace {

constexpr char kSettingsKey[] = "Software\\Vorx\\Orvisa\\3.0";
// The countdown runs, so that its minute timer is part of the run, but it
// is long enough that the rounds of host events put it back to full long
// before its warnings or its sleep request: nothing here may depend on
// Wine's stub of a sleep.
constexpr DWORD kSuspendMinutes = 30;
// The timer is set for the start less this lead, which the check of the
// armed timer takes off as well.
constexpr DWORD kLeadMinutes = 2;

constexpr DWORD kWriteIntervalMs = 250;
constexpr DWORD kRoundIntervalMs = 1000;
constexpr DWORD kMinuteMs = 60000;
// A granted query waits up to 5 s for the arming; a loaded machine gets the
// rest.
constexpr DWORD kQueryTimeoutMs = 15000;
constexpr DWORD kPingTimeoutMs = 10000;
// A host event is a plain send inside the module, with no timeout of its
// own: a round that has not finished by then counts as a hang.
constexpr DWORD kRoundHangMs = 30000;
constexpr DWORD kArmedTimeoutMs = 20000;
constexpr DWORD kThreadEndMs = 30000;

// The first failure of the run; later ones are consequences.
class CFailure {
public:
    void Set(const std::string& what) {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_what.empty())
            m_what = what;
    }
    std::string Get() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_what;
    }
    bool Failed() { return !Get().empty(); }

private:
    std::mutex m_lock;
    std::string m_what;
};

// ---- Local time in whole minutes: schedule starts are whole minutes.

using Minutes = long long;
constexpr ULONGLONG kTicksPerMinute = 60ULL * 10000000ULL;

Minutes NowMinutes() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME file;
    SystemTimeToFileTime(&now, &file);
    const ULARGE_INTEGER value{{file.dwLowDateTime, file.dwHighDateTime}};
    return static_cast<Minutes>(value.QuadPart / kTicksPerMinute);
}

SYSTEMTIME ToSystemTime(Minutes minutes) {
    ULARGE_INTEGER value;
    value.QuadPart = static_cast<ULONGLONG>(minutes) * kTicksPerMinute;
    const FILETIME file{value.LowPart, value.HighPart};
    SYSTEMTIME time{};
    FileTimeToSystemTime(&file, &time);
    return time;
}

std::string StartAttribute(Minutes minutes) {
    const SYSTEMTIME t = ToSystemTime(minutes);
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%dT%02d:%02d:00", t.wMonth, t.wDay, t.wYear, t.wHour,
                  t.wMinute);
    return text;
}

// The time as the scheduler's log shows it: it renders dates the same way,
// in the user's locale, midnight as the date alone.
std::string LogDate(Minutes minutes) {
    SYSTEMTIME time = ToSystemTime(minutes);
    DATE date = 0;
    CUniqueBstr text;
    if (!SystemTimeToVariantTime(&time, &date) ||
        FAILED(VarBstrFromDate(date, LANG_USER_DEFAULT, 0, text.Put())) || !text)
        return std::string();
    const int wide = static_cast<int>(SysStringLen(text.Get()));
    const int size = WideCharToMultiByte(CP_ACP, 0, text.Get(), wide, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.Get(), wide, &narrow[0], size, nullptr, nullptr);
    return narrow;
}

// ---- The schedule.

struct ScheduleWrite {
    int index = 0;
    Minutes start = 0; // of the recording the write adds, the earliest one
};

// A host's schedule: the write's own recording, the earliest, beside a
// daily, a weekly, a far one-time and a past recording, placed from the time
// of the write so that they stay later than it however long the run.
std::string ScheduleXml(const ScheduleWrite& write, Minutes now) {
    const Minutes day = 24 * 60;
    std::string xml = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<tvrecord>\n"
                      "  <!-- soak write " +
                      std::to_string(write.index) + " -->\n";
    xml += "  <program start=\"" + StartAttribute(write.start) +
           "\" freq=\"once\" channel=\"Soak " + std::to_string(write.index) + "\"/>\n";
    xml += "  <program start=\"" + StartAttribute(now - day + 8 * 60) +
           "\" freq=\"daily\" channel=\"Das Erste\"/>\n";
    xml += "  <program start=\"" + StartAttribute(now - 5 * day + 3 * 60) +
           "\" freq=\"weekly\" channel=\"arte\"/>\n";
    xml += "  <program start=\"" + StartAttribute(now + 40 * day) +
           "\" freq=\"once\" channel=\"ZDF\"/>\n";
    xml += "  <program start=\"1-1-2005T20:15:00\" freq=\"once\" channel=\"3sat\"/>\n";
    return xml + "</tvrecord>\n";
}

// The writes of the load. A write runs under the turn lock, so that the
// main thread, once it has set the rest and taken the lock, knows that none
// is under way and none follows.
class CScheduleWriter {
public:
    CScheduleWriter(std::string path, CFailure& failure)
        : m_path(std::move(path)), m_failure(failure) {}

    // One write with the next recording: the first for the scheduler's first
    // scan, the others from Run.
    bool WriteNext() {
        ScheduleWrite write;
        write.index = m_last.index + 1;
        const Minutes now = NowMinutes();
        // A new start with every write, whatever the minute: the offset
        // moves on by one, and wraps after two hours.
        write.start = now + 10 + write.index % 120;
        const std::string xml = ScheduleXml(write, now);
        const ULONGLONG deadline = GetTickCount64() + winetest::kDeadlineMs;
        // The scheduler reads with sharing, so a failed write is not
        // expected; it is tried again until the deadline all the same.
        while (!winetest::WriteFileBytes(m_path, xml)) {
            if (GetTickCount64() >= deadline) {
                m_failure.Set("tvrecord.xml could not be written: error " +
                              std::to_string(GetLastError()));
                return false;
            }
            Sleep(20);
        }
        m_last = write;
        return true;
    }

    void Run(const std::atomic<bool>& stop, const std::atomic<bool>& resting) {
        ULONGLONG next = GetTickCount64();
        while (!stop) {
            {
                std::lock_guard<std::timed_mutex> turn(m_turn);
                if (!resting && GetTickCount64() >= next) {
                    if (!WriteNext())
                        return;
                    // A write that comes late does not make up for the
                    // missed ones in a burst.
                    next = std::max(next + kWriteIntervalMs, GetTickCount64());
                }
            }
            Sleep(5);
        }
    }

    std::timed_mutex& Turn() { return m_turn; }
    // Under the turn lock, or before the thread runs.
    ScheduleWrite Last() const { return m_last; }

private:
    std::string m_path;
    CFailure& m_failure;
    std::timed_mutex m_turn;
    ScheduleWrite m_last;
};

// ---- The host's side: events through the module, and suspend queries.

class CHostRounds {
public:
    CHostRounds(HWND window, CFailure& failure) : m_window(window), m_failure(failure) {}

    void Run(const std::atomic<bool>& stop, const std::atomic<bool>& resting) {
        // A host's user interface thread: a single-threaded apartment.
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
            m_failure.Set("COM could not be initialised on the host's thread");
            return;
        }
        const CScopeExit uninitialize([] { CoUninitialize(); });
        ULONGLONG next = GetTickCount64();
        while (!stop) {
            {
                std::lock_guard<std::timed_mutex> turn(m_turn);
                if (!resting && GetTickCount64() >= next) {
                    m_roundStart = GetTickCount64();
                    const bool done = Round();
                    m_roundStart = 0;
                    if (!done)
                        return;
                    next = std::max(next + kRoundIntervalMs, GetTickCount64());
                }
            }
            Sleep(5);
        }
    }

    std::timed_mutex& Turn() { return m_turn; }
    // The step of a round that has run longer than the hang limit, or null.
    const char* HungStep() const {
        const ULONGLONG start = m_roundStart;
        return start && GetTickCount64() - start > kRoundHangMs ? m_step.load() : nullptr;
    }
    int Rounds() const { return m_nRounds; }
    int Queries() const { return m_nQueries; }
    int Granted() const { return m_nGranted; }

private:
    template <class T> bool Create(const wchar_t* progId, CComPtr<T>& object) {
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(progId, &clsid);
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(T),
                                  object.PutVoid());
        if (FAILED(hr)) {
            char text[160];
            std::snprintf(text, sizeof text, "creating %ls failed: 0x%08lX", progId,
                          static_cast<unsigned long>(hr));
            m_failure.Set(text);
        }
        return SUCCEEDED(hr);
    }

    void Step(const char* step) { m_step = step; }

    // A suspend query as the system sends it. denied: the answer the
    // scheduler owes it in the state the round has put it in.
    bool Query(const char* step, bool denied) {
        Step(step);
        DWORD_PTR answer = 0;
        ++m_nQueries;
        const ULONGLONG sent = GetTickCount64();
        if (!SendMessageTimeoutA(m_window, WM_POWERBROADCAST, 0 /* PBT_APMQUERYSUSPEND */, 0,
                                 SMTO_NORMAL, kQueryTimeoutMs, &answer)) {
            // Error 1460 is the timeout; the send also ends without an
            // answer when the window's thread goes meanwhile.
            const DWORD error = GetLastError();
            m_failure.Set(std::string("stops answering: ") + step + " got no answer, error " +
                          std::to_string(error) + " after " +
                          std::to_string(GetTickCount64() - sent) + " ms");
            return false;
        }
        const bool wasDenied = static_cast<LRESULT>(answer) == BROADCAST_QUERY_DENY_ANSWER;
        if (wasDenied != denied) {
            m_failure.Set(std::string("wrong answer: ") + step +
                          (wasDenied ? " denied" : " granted"));
            return false;
        }
        m_nGranted += wasDenied ? 0 : 1;
        return true;
    }

    // The module answers E_NOTIMPL, as the host expects of it.
    void PlayerEvent(IPlayerExtension* player, LONG code, const char* step) {
        Step(step);
        player->OnPlayerEvent(code);
    }

    // One round of what a host does while it runs: a recording from start
    // to end, the user on the pages and skin controls, a pause of playback
    // and its resume, a query in each state. The module's classes are made
    // for each round, as the host makes them anew for each page.
    bool Round() {
        ++m_nRounds;
        CFakeHostPlayer hostPlayer(m_nRounds % 3);
        {
            CComPtr<IPlayerExtension> player;
            CComPtr<IPageExtension> page;
            CComPtr<ISkinControlExtension> skin;
            CComPtr<ISearchExtension> search;
            Step("creating the module's classes");
            if (!Create(L"OrvisaExt.PlayerExt", player) || !Create(L"OrvisaExt.PageExt", page) ||
                !Create(L"OrvisaExt.SkinControlExt", skin) ||
                !Create(L"OrvisaExt.SearchExt", search))
                return false;
            Step("handing the host's player over");
            player->SetHostPlayer(&hostPlayer);

            PlayerEvent(player.Get(), PLAYER_EVENT_RECORDING_STARTED,
                        "player event 25 (recording started)");
            if (!Query("the query during a recording", true))
                return false;
            PlayerEvent(player.Get(), PLAYER_EVENT_RECORDING_IN_PROGRESS,
                        "player event 27 (recording in progress)");
            Step("selection changed");
            player->OnSelectionChanged(m_nRounds);
            Step("page action");
            page->OnPageAction(0, 0);
            Step("skin control action");
            skin->OnSkinControlAction(0, 0);
            Step("search");
            search->OnSearch(m_nRounds);
            PlayerEvent(player.Get(), PLAYER_EVENT_RECORDED_LIST_CHANGED,
                        "player event 34 (recorded list changed)");
            PlayerEvent(player.Get(), PLAYER_EVENT_RECORDING_STOPPED,
                        "player event 26 (recording stopped)");
            PlayerEvent(player.Get(), PLAYER_EVENT_PAUSE, "player event 0 (pause)");
            if (!Query("the query while paused", true))
                return false;
            PlayerEvent(player.Get(), PLAYER_EVENT_RESUME, "player event 1 (resume)");
            if (!Query("the query when idle", false))
                return false;
            Step("releasing the module's classes");
        }
        if (hostPlayer.References() != 0) {
            m_failure.Set("the module keeps " + std::to_string(hostPlayer.References()) +
                          " references to the host's player after its classes went");
            return false;
        }
        return true;
    }

    HWND m_window;
    CFailure& m_failure;
    std::timed_mutex m_turn;
    std::atomic<ULONGLONG> m_roundStart{0};
    std::atomic<const char*> m_step{""};
    std::atomic<int> m_nRounds{0}, m_nQueries{0}, m_nGranted{0};
};

// ---- Figures of a process.

struct Figures {
    SIZE_T privateKb = 0;
    SIZE_T workingSetKb = 0;
    DWORD threads = 0;
    DWORD userObjects = 0;
    DWORD gdiObjects = 0;
    DWORD handles = 0;
};

DWORD CountThreads(DWORD processId) {
    const CUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot)
        return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
         more = Thread32Next(snapshot.Get(), &entry))
        count += entry.th32OwnerProcessID == processId ? 1 : 0;
    return count;
}

Figures ReadFigures(HANDLE process, DWORD processId) {
    Figures figures;
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                             sizeof memory)) {
        // Windows fills both with the process's commit charge; Wine leaves
        // PrivateUsage 0 for other processes and fills only PagefileUsage.
        figures.privateKb = std::max(memory.PrivateUsage, memory.PagefileUsage) / 1024;
        figures.workingSetKb = memory.WorkingSetSize / 1024;
    }
    figures.threads = CountThreads(processId);
    figures.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    figures.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    GetProcessHandleCount(process, &figures.handles);
    return figures;
}

// At rest, a worker that has just handed its timer over may still be on
// its way out: the least of a few readings is the figure.
Figures ReadSettledFigures(HANDLE process, DWORD processId) {
    Figures least = ReadFigures(process, processId);
    for (int i = 0; i < 4; ++i) {
        Sleep(250);
        const Figures f = ReadFigures(process, processId);
        least.privateKb = std::min(least.privateKb, f.privateKb);
        least.workingSetKb = std::min(least.workingSetKb, f.workingSetKb);
        least.threads = std::min(least.threads, f.threads);
        least.userObjects = std::min(least.userObjects, f.userObjects);
        least.gdiObjects = std::min(least.gdiObjects, f.gdiObjects);
        least.handles = std::min(least.handles, f.handles);
    }
    return least;
}

// What the system answers for a process: Wine answers some questions with 0.
struct Answered {
    bool gui = false;
    bool handles = false;
};

std::string Describe(const Figures& f, const Answered& answered) {
    char text[200];
    std::snprintf(text, sizeof text, "private %lu KB, working set %lu KB, threads %lu",
                  static_cast<unsigned long>(f.privateKb),
                  static_cast<unsigned long>(f.workingSetKb),
                  static_cast<unsigned long>(f.threads));
    std::string out = text;
    if (answered.gui)
        out += ", user " + std::to_string(f.userObjects) + ", GDI " + std::to_string(f.gdiObjects);
    if (answered.handles)
        out += ", handles " + std::to_string(f.handles);
    return out;
}

// What has grown since the baseline, or empty.
std::string Growth(const char* who, const Figures& base, const Figures& now,
                   const Answered& answered) {
    std::string out;
    const auto add = [&](const std::string& what) {
        out += (out.empty() ? std::string(who) + ": " : std::string("; ")) + what;
    };
    const auto count = [&](const char* name, DWORD then, DWORD later) {
        if (later > then)
            add(std::string(name) + " " + std::to_string(then) + " -> " + std::to_string(later));
    };
    if (now.privateKb * 10 > base.privateKb * 11)
        add("private memory " + std::to_string(base.privateKb) + " KB -> " +
            std::to_string(now.privateKb) + " KB, more than 10 %");
    count("threads", base.threads, now.threads);
    if (answered.gui) {
        count("user objects", base.userObjects, now.userObjects);
        count("GDI objects", base.gdiObjects, now.gdiObjects);
    }
    if (answered.handles)
        count("handles", base.handles, now.handles);
    return out;
}

// The change of memory and threads over the minutes since the baseline.
std::string Change(const Figures& base, const Figures& now, int minutes) {
    const auto delta = [minutes](SIZE_T then, SIZE_T later) {
        const double perMinute = (static_cast<double>(later) - static_cast<double>(then)) / minutes;
        char text[96];
        std::snprintf(text, sizeof text, "%lu -> %lu KB (%+.1f KB/min)",
                      static_cast<unsigned long>(then), static_cast<unsigned long>(later),
                      perMinute);
        return std::string(text);
    };
    return "private " + delta(base.privateKb, now.privateKb) + ", working set " +
           delta(base.workingSetKb, now.workingSetKb) + ", threads " +
           std::to_string(base.threads) + " -> " + std::to_string(now.threads);
}

// ---- The settings and the scheduler's log.

bool WriteSettings() {
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
    CUniqueRegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    const auto set = [&](const char* name, DWORD value) {
        return RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof value) == ERROR_SUCCESS;
    };
    return set("SuspendTime", kSuspendMinutes) && set("PVRBufferBegin", kLeadMinutes);
}

// When the timer is due for a write: the machine wakes 60 seconds before
// its start less the lead, every start here being minutes ahead.
ULONGLONG ExpectedDueTime(const ScheduleWrite& write) {
    const SYSTEMTIME local = ToSystemTime(write.start - kLeadMinutes);
    SYSTEMTIME utc;
    FILETIME file;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
        !SystemTimeToFileTime(&utc, &file))
        return 0;
    const ULARGE_INTEGER value{{file.dwLowDateTime, file.dwHighDateTime}};
    return value.QuadPart - 60ULL * 10000000ULL;
}

std::string NewestLines(HWND list, int count) {
    std::string out;
    for (const std::string& line : winetest::ListBoxLines(list, count))
        out += "\n    " + line;
    return out;
}

// Waits until the timer is armed for the write's start; the failure says
// what it holds instead, and the log's newest lines.
bool WaitArmedFor(HWND list, const ScheduleWrite& write, CFailure& failure) {
    const ULONGLONG expected = ExpectedDueTime(write);
    // The reading of the remaining time and of the clock lie apart.
    const ULONGLONG slack = 2ULL * 10000000ULL;
    ULONGLONG due = 0;
    if (expected && winetest::WaitFor(
                        [&] {
                            due = winetest::ArmedDueTime();
                            return due + slack >= expected && due <= expected + slack;
                        },
                        kArmedTimeoutMs))
        return true;
    char text[160];
    std::snprintf(text, sizeof text,
                  "the timer is %s (%+.0f s from the due time of write %d, \"%s\")",
                  due ? "armed elsewhere" : "not armed",
                  due ? (static_cast<double>(due) - static_cast<double>(expected)) / 1e7 : 0.0,
                  write.index, LogDate(write.start - kLeadMinutes).c_str());
    failure.Set(std::string("not armed for the last schedule: ") + text +
                "; newest log lines:" + NewestLines(list, 12));
    return false;
}

// The newest "Timer set to: " line's target, or empty when rescans have
// pushed all of them out of the log.
std::string NewestLoggedTarget(HWND list) {
    static const std::string marker = "Timer set to: ";
    const auto lines = winetest::ListBoxLines(list);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const size_t at = it->find(marker);
        if (at != std::string::npos)
            return it->substr(at + marker.size());
    }
    return std::string();
}

// The log shows what the timer holds: the newest line of an arming, where
// one is left, names the write's target. The arming thread writes that line
// after it has set the timer, so the line may follow the timer a little.
bool LogAgrees(HWND list, const ScheduleWrite& write, bool required, CFailure& failure) {
    const std::string expected = LogDate(write.start - kLeadMinutes);
    std::string logged;
    if (winetest::WaitFor(
            [&] {
                logged = NewestLoggedTarget(list);
                return logged == expected || (logged.empty() && !required);
            },
            kArmedTimeoutMs))
        return true;
    failure.Set("the log disagrees with the timer: write " + std::to_string(write.index) +
                " is armed for " + expected + ", the newest \"Timer set to: \" line names \"" +
                logged + "\"");
    return false;
}

// Answers a plain send in time: the dialog's thread is not stuck.
bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kPingTimeoutMs, &result) != 0;
}

DWORD WINAPI RunWork(void* work) {
    (*static_cast<std::function<void()>*>(work))();
    return 0;
}

CUniqueHandle StartThread(std::function<void()>* work) {
    return CUniqueHandle(CreateThread(nullptr, 0, RunWork, work, 0, nullptr));
}

// ---- The run.

class CSoakRun {
public:
    CSoakRun(const std::string& hostDir, int minutes)
        : m_hostDir(hostDir), m_minutes(minutes), m_writer(hostDir + "\\tvrecord.xml", m_failure) {}

    int Run() {
        const bool passed = Soak();
        // A scheduler that hangs holds the host's thread in its send: it
        // goes first, which ends the send.
        if (!passed && m_scheduler.Handle()) {
            // Whether it hung or went says most about a failure.
            if (m_scheduler.Running())
                std::printf("soak: the scheduler still runs; it is ended now\n");
            else
                std::printf("soak: the scheduler had ended, exit code 0x%08lX\n",
                            static_cast<unsigned long>(m_scheduler.ExitCode()));
            m_scheduler.End();
        }
        StopLoad();
        if (m_registration && !m_registration->Unregister())
            m_failure.Set("the module did not unregister");
        if (m_scheduler.Running()) {
            PostMessageA(m_window, WM_CLOSE, 0, 0);
            if (!m_scheduler.WaitExit(winetest::kDeadlineMs))
                m_failure.Set("the scheduler did not end within 20 s of its window's closing");
            m_scheduler.End();
        }
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
        if (m_hostRounds)
            std::printf("soak: %d writes, %d host rounds, %d suspend queries (%d granted)\n",
                        m_writer.Last().index, m_hostRounds->Rounds(), m_hostRounds->Queries(),
                        m_hostRounds->Granted());
        const std::string failure = m_failure.Get();
        std::printf("soak: %s%s\n", failure.empty() ? "passed" : "FAILED: ", failure.c_str());
        std::fflush(stdout);
        return failure.empty() ? 0 : 1;
    }

private:
    bool Soak() {
        const std::string program = m_hostDir + "\\orvisawakeup\\kelmarwakeup.exe";
        m_registration.reset(
            new winetest::CServerRegistration(m_hostDir + "\\orvisawakeup\\OrvisaWakeup.dll"));
        if (!m_registration->Registered())
            return Fail("the module did not register");
        if (!WriteSettings())
            return Fail("the settings could not be written");
        if (!m_writer.WriteNext())
            return false;
        if (!m_scheduler.Start("\"" + program + "\""))
            return Fail("the scheduler did not start: error " + std::to_string(GetLastError()));
        m_window = winetest::WaitForProcessWindow(m_scheduler.Id(), WAKEUP_WINDOW_TITLE);
        if (!m_window)
            return Fail("the scheduler's window did not show");
        m_list = GetDlgItem(m_window, 1001);
        if (!WaitArmedFor(m_list, m_writer.Last(), m_failure) ||
            !LogAgrees(m_list, m_writer.Last(), true, m_failure))
            return false;
        // Memory and threads are what the run is about: without them it
        // would pass on nothing.
        const Figures first = ReadFigures(m_scheduler.Handle(), m_scheduler.Id());
        if (!first.privateKb || !first.threads)
            return Fail("the scheduler's memory or threads cannot be read: private " +
                        std::to_string(first.privateKb) + " KB, working set " +
                        std::to_string(first.workingSetKb) + " KB, threads " +
                        std::to_string(first.threads));
        Sample("start");

        m_hostRounds.reset(new CHostRounds(m_window, m_failure));
        m_writeWork = [this] { m_writer.Run(m_stop, m_resting); };
        m_roundWork = [this] { m_hostRounds->Run(m_stop, m_resting); };
        m_writeThread = StartThread(&m_writeWork);
        m_roundThread = StartThread(&m_roundWork);
        if (!m_writeThread || !m_roundThread)
            return Fail("the load's threads did not start");

        const ULONGLONG begin = GetTickCount64();
        for (int minute = 1; minute <= m_minutes; ++minute) {
            const ULONGLONG mark = begin + static_cast<ULONGLONG>(minute) * kMinuteMs;
            while (GetTickCount64() < mark) {
                if (!Healthy())
                    return false;
                Sleep(1000);
            }
            if (!Rest())
                return false;
            Sample(("minute " + std::to_string(minute)).c_str(), minute);
            m_resting = false;
        }
        if (m_minutes < 2)
            std::printf("soak: growth is compared from the second minute on; this run checked "
                        "the answers and the arming\n");
        return !m_failure.Failed();
    }

    bool Fail(const std::string& what) {
        m_failure.Set(what);
        return false;
    }

    // Between the minute marks: the scheduler is there and answers, and
    // neither load thread has given up or hangs.
    bool Healthy() {
        if (!m_scheduler.Running())
            return Fail("the scheduler ended during the run, exit code " +
                        std::to_string(m_scheduler.ExitCode()));
        if (!Answers(m_window))
            return Fail("stops answering: a plain send got no answer in " +
                        std::to_string(kPingTimeoutMs / 1000) + " s");
        if (const char* step = m_hostRounds->HungStep())
            return Fail(std::string("stops answering: the host's round hangs at ") + step);
        return !m_failure.Failed();
    }

    // Stops the load and waits until the scheduler has armed its timer for
    // the last write.
    bool Rest() {
        m_resting = true;
        for (std::timed_mutex* turn : {&m_writer.Turn(), &m_hostRounds->Turn()}) {
            if (!turn->try_lock_for(std::chrono::milliseconds(kRoundHangMs + kQueryTimeoutMs))) {
                const char* step = m_hostRounds->HungStep();
                return Fail(std::string("stops answering: the load did not come to rest") +
                            (step ? std::string(", the host's round hangs at ") + step : ""));
            }
            turn->unlock();
        }
        if (m_failure.Failed())
            return false;
        const ULONGLONG rest = GetTickCount64();
        if (!WaitArmedFor(m_list, m_writer.Last(), m_failure))
            return false;
        m_catchUpMs = GetTickCount64() - rest;
        return LogAgrees(m_list, m_writer.Last(), false, m_failure);
    }

    // One line of figures; from the first minute's on, they are compared
    // with it.
    void Sample(const char* label, int minute = 0) {
        const Figures scheduler = ReadSettledFigures(m_scheduler.Handle(), m_scheduler.Id());
        const Figures self = ReadSettledFigures(GetCurrentProcess(), GetCurrentProcessId());
        if (minute == 0) {
            // A dialog has user objects on every system that counts them.
            m_answered.gui = scheduler.userObjects != 0;
            m_answered.handles = scheduler.handles != 0;
            std::printf("soak: scheduler pid %lu; %s%s\n",
                        static_cast<unsigned long>(m_scheduler.Id()),
                        m_answered.gui ? "" : "user and GDI objects not answered here; ",
                        m_answered.handles ? "" : "handle count not answered here");
        }
        std::printf("soak: %-9s | scheduler: %s | module's process: %s | %d writes, %d rounds, "
                    "armed %.1f s after the last\n",
                    label, Describe(scheduler, m_answered).c_str(),
                    Describe(self, m_answered).c_str(), m_writer.Last().index,
                    m_hostRounds ? m_hostRounds->Rounds() : 0,
                    static_cast<double>(m_catchUpMs) / 1000.0);
        if (minute == 1) {
            m_baseScheduler = scheduler;
            m_baseSelf = self;
        } else if (minute > 1) {
            for (const std::string& growth :
                 {Growth("the scheduler", m_baseScheduler, scheduler, m_answered),
                  Growth("the module's process", m_baseSelf, self, m_answered)}) {
                if (!growth.empty()) {
                    std::printf("soak:   grown since minute 1: %s\n", growth.c_str());
                    m_failure.Set("grows: " + growth + " (minute " + std::to_string(minute) + ")");
                }
            }
            if (minute == m_minutes) {
                std::printf("soak: minute 1 -> %d: scheduler %s; module's process %s\n", minute,
                            Change(m_baseScheduler, scheduler, minute - 1).c_str(),
                            Change(m_baseSelf, self, minute - 1).c_str());
            }
        }
        std::fflush(stdout);
    }

    void StopLoad() {
        m_stop = true;
        for (CUniqueHandle* thread : {&m_writeThread, &m_roundThread}) {
            if (*thread && WaitForSingleObject(thread->Get(), kThreadEndMs) != WAIT_OBJECT_0) {
                m_failure.Set("a load thread did not end");
                // Only on the way out of a failed run: what the thread
                // works on goes with this object.
                TerminateThread(thread->Get(), 1);
                WaitForSingleObject(thread->Get(), kThreadEndMs);
            }
        }
    }

    std::string m_hostDir;
    int m_minutes;
    CFailure m_failure;
    CScheduleWriter m_writer;
    std::unique_ptr<winetest::CServerRegistration> m_registration;
    winetest::CProcess m_scheduler;
    HWND m_window = nullptr;
    HWND m_list = nullptr;
    std::unique_ptr<CHostRounds> m_hostRounds;
    std::atomic<bool> m_stop{false}, m_resting{false};
    std::function<void()> m_writeWork, m_roundWork;
    CUniqueHandle m_writeThread, m_roundThread;
    Answered m_answered;
    Figures m_baseScheduler, m_baseSelf;
    // From the load's rest to the timer armed for its last write.
    ULONGLONG m_catchUpMs = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::printf("usage: soak <host directory> [minutes]\n");
        return 2;
    }
    const int minutes = argc == 3 ? std::atoi(argv[2]) : 10;
    if (minutes <= 0) {
        std::printf("soak: minutes must be a whole number above 0\n");
        return 2;
    }
    std::string hostDir = argv[1];
    while (!hostDir.empty() && (hostDir.back() == '\\' || hostDir.back() == '/'))
        hostDir.pop_back();
    std::printf("soak: %d min against %s\n", minutes, hostDir.c_str());
    CSoakRun run(hostDir, minutes);
    return run.Run();
}
