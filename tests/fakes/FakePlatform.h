#pragma once
// In-memory ports: scriptable, recording every call, with a clock the test
// moves. Each fake is safe to call from several threads.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <mutex>
#include <string>
#include <vector>

#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/HostLookup.h"
#include "wakeup/dirwatch/DirectoryWatcher.h"
#include "wakeup/platform/FileReader.h"
#include "wakeup/platform/LogFile.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Registry.h"
#include "wakeup/platform/Session.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/platform/WaitableTimers.h"
#include "wakeup/platform/ZoneRules.h"
#include "wakeup/platform/WindowMessages.h"

class CFakeClock : public IClock {
public:
    explicit CFakeClock(const CDateTime& now = CDateTime(2005, 3, 2, 21, 0, 0)) : m_now(now) {}
    CDateTime Now() const override;
    // Local time less the zone's offset, as the fake converter has it.
    CDateTime NowUtc() const override;
    void Set(const CDateTime& now);
    void Advance(const CDateTimeSpan& span);
    void SetUtcOffset(int hours) { m_offsetHours = hours; }

private:
    mutable std::mutex m_lock;
    CDateTime m_now;
    std::atomic<int> m_offsetHours{1};
};

// Renders as Wine does with LANG=C: "3/2/2005 10:25:00 PM", midnight as
// "3/2/2005".
class CFakeDateText : public IDateText {
public:
    std::string Format(const CDateTime& when) const override;
};

// A registry of value maps keyed by sub-key. A key that was never added
// cannot be opened.
class CFakeRegistry : public IRegistry {
public:
    struct Value {
        uint32_t type; // 1 = REG_SZ, 4 = REG_DWORD
        std::vector<unsigned char> data;
    };
    using Values = std::map<std::string, Value>;

    void AddKey(const std::string& subKey);
    void DeleteKey(const std::string& subKey);
    void SetDword(const std::string& subKey, const std::string& name, uint32_t value);
    // Stores the bytes as they are: no terminating zero is added.
    void SetRaw(const std::string& subKey, const std::string& name, uint32_t type,
                const std::string& bytes);
    bool HasValue(const std::string& subKey, const std::string& name) const;
    uint32_t GetDword(const std::string& subKey, const std::string& name) const;
    // The stored REG_SZ up to its first zero byte.
    std::string GetString(const std::string& subKey, const std::string& name) const;
    int WriteCount() const;

    std::unique_ptr<IRegistryKey> OpenCurrentUserKey(const char* subKey) override;

private:
    friend class CFakeRegistryKey;
    mutable std::mutex m_lock;
    std::map<std::string, Values> m_keys;
    int m_writes = 0;
};

// Records the threads it was asked to start; the test runs them with RunAll
// (inline) when it chooses, or lets them run at once on real threads.
class CFakeThreadStarter : public IThreadStarter {
public:
    struct Started {
        ThreadProc proc;
        void* param;
    };
    bool Start(ThreadProc proc, void* param) override;
    // Runs the stop set by the test, which ends the threads it runs; without
    // one, nothing runs and the stop succeeds.
    bool StopAll(uint32_t timeoutMs) override;
    void OnStopAll(std::function<bool(uint32_t timeoutMs)> stop);
    std::vector<Started> Take();
    size_t Count() const;

private:
    mutable std::mutex m_lock;
    std::vector<Started> m_started;
    std::function<bool(uint32_t)> m_stop;
};

class CFakeLogList : public ILogList {
public:
    void AddString(const std::string& line) override;
    int GetCount() override;
    void DeleteString(int index) override;
    void ShowAndSelect(int index) override;

    std::vector<std::string> Lines() const;
    int Selected() const;
    void Clear();

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
    int m_selected = -1;
};

// Behaves as the common progress control: the position is kept inside the
// range, a step adds the step value.
class CFakeProgressBar : public IProgressBar {
public:
    void SetRange(int lower, int upper) override;
    void SetStep(int step) override;
    void StepIt() override;
    int GetPos() override;
    void SetPos(int pos) override;
    bool OnScreen() override { return m_onScreen; }
    // The window put away into the notification area, or shown again.
    void SetOnScreen(bool shown) { m_onScreen = shown; }

    int Lower() const;
    int Upper() const;
    int Step() const;
    int RangeCalls() const;

private:
    int Clamp(int pos) const;
    mutable std::mutex m_lock;
    int m_lower = 0, m_upper = 100, m_step = 10, m_pos = 0, m_rangeCalls = 0;
    std::atomic<bool> m_onScreen{true};
};

class CFakeDialogControls : public IDialogControls {
public:
    std::string GetItemText(int id) override;
    void SetItemText(int id, const std::string& text) override;
    void ShowNextWake(const std::string& text) override;
    bool GetCheck(int id) override;
    void SetCheck(int id, bool checked) override;
    void LimitText(int id, int maxChars) override;
    void FocusControl(int id) override;
    std::string LoadResourceString(unsigned id) override;
    void ShowMessage(const std::string& text) override;

    // What the user types: changes the text without any notification.
    void Type(int id, const std::string& text);
    std::vector<std::string> Messages() const;
    // What the next-wake line showed, oldest first.
    std::vector<std::string> NextWakes() const;
    int Focused() const;
    int Limit(int id) const;

private:
    mutable std::mutex m_lock;
    std::map<int, std::string> m_text;
    std::map<int, bool> m_check;
    std::map<int, int> m_limit;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_nextWakes;
    int m_focused = 0;
};

// Files by path. A path can be locked (cannot be opened).
class CFakeFileReader : public IFileReader {
public:
    void SetFile(const std::string& path, const std::string& bytes);
    void Lock(const std::string& path);
    bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<char>& bytes) override;
    int Reads() const;

private:
    mutable std::mutex m_lock;
    std::map<std::string, std::string> m_files;
    std::map<std::string, bool> m_locked;
    int m_reads = 0;
};

// Central Europe: UTC+1, daylight UTC+2 from the last Sunday of March 02:00
// to the last Sunday of October 03:00.
inline ZoneRules CentralEuropeRules() {
    ZoneRules rules;
    rules.bias = -60;
    rules.daylightBias = -60;
    rules.toDaylight = {0, 3, 0, 5, 2, 0, 0};
    rules.toStandard = {0, 10, 0, 5, 3, 0, 0};
    return rules;
}

// UTC is local time less a fixed offset in hours.
class CFakeLocalTimeConverter : public ILocalTimeConverter {
public:
    explicit CFakeLocalTimeConverter(int utcOffsetHours = 1) : m_offsetHours(utcOffsetHours) {}
    int64_t LocalToUtcFileTime(const CDateTime& local) const override;
    // Every conversion from now on fails, as the system's does for a date it
    // cannot convert.
    void FailConversion() { m_failing = true; }
    // A move to another time zone.
    void SetUtcOffset(int hours) { m_offsetHours = hours; }
    // A zone with changes of daylight time, instead of the fixed offset.
    void UseZoneRules(const ZoneRules& rules) {
        m_rules = rules;
        m_bRules = true;
    }
    int UtcOffset() const { return m_offsetHours; }

private:
    std::atomic<int> m_offsetHours;
    std::atomic<bool> m_failing{false};
    ZoneRules m_rules;
    bool m_bRules = false;
};

// Named manual-reset timers in memory, shared by every handle of a name and
// gone when the last handle closes. A due time of -1 or one at or before the
// fake "now" signals at once; any other is only recorded, and the test
// fires the timer with Fire. Waits block for real (for the hand-over between
// threads) but give up after a deadline, returning a failed wait.
class CFakeWaitableTimers : public IWaitableTimers {
public:
    struct Call {
        std::string op;
        Handle handle;
        int64_t dueTime;
        std::string reason = std::string();
    };

    Handle Open(const char* name) override;
    Handle Create(const char* name) override;
    bool Set(Handle timer, int64_t dueTime, bool resume, const std::string& reason) override;
    uint32_t Wait(Handle timer) override;
    void Cancel(Handle timer) override;
    void Close(Handle timer) override;
    uint32_t LastError() const override;

    // Due times at or before this absolute file time signal at once.
    void SetNow(int64_t fileTime);
    void FailCreate(uint32_t error);
    void FailSet();
    // Sets with the resume option succeed with kErrorNotSupported.
    void RefuseResume();
    // Relative due times signal at once too: each wait of the countdown's
    // minute returns straight away.
    void SignalRelativeAtOnce();
    // Signals the named timer as its due time would.
    void Fire(const std::string& name);
    // Every wait, now and later, ends with kWaitStopped.
    void StopWaits();
    // How long a wait blocks before it fails (10 s unless set).
    void LimitWaits(std::chrono::seconds limit);
    // For a test that runs a thread's wait later, on its own thread: the
    // handle's wait counts as begun now, and WaitWouldEnd says whether a
    // wait begun then would have ended by now (its Wait then returns at
    // once).
    void BeginWait(Handle timer);
    bool WaitWouldEnd(Handle timer) const;
    bool Exists(const std::string& name) const;
    // The due time the named timer is set to now; 0 when cancelled or unset.
    int64_t DueTime(const std::string& name) const;
    bool Signalled(const std::string& name) const;
    // Threads blocked in Wait on the named timer and not yet released.
    int Waiters(const std::string& name) const;
    std::vector<Call> Calls() const;
    // A run of days keeps no list of its calls.
    void KeepNoCalls() { m_keepCalls = false; }
    int OpenHandles() const;

private:
    bool m_refuseResume = false;
    struct Timer {
        int64_t due = 0;
        bool armed = false;
        bool signalled = false;
        int handles = 0;
        // The firings each waiter began at: one whose count has moved on
        // is released, though it may not have run yet.
        std::multiset<uint64_t> waiters;
        // Counts the signallings: a waiter is released by any signalling
        // after it began to wait, even when the timer is set again before
        // it runs, as the system releases every waiter at once.
        uint64_t firings = 0;
    };
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<std::string, Timer> m_timers;
    std::map<Handle, std::string> m_handles;
    // The firings when a handle's wait counted as begun (BeginWait).
    std::map<Handle, uint64_t> m_begunAt;
    void Record(Call call) {
        if (m_keepCalls)
            m_calls.push_back(std::move(call));
    }
    std::vector<Call> m_calls;
    bool m_keepCalls = true;
    Handle m_nextHandle = 100;
    int64_t m_now = 1; // the earliest moment after 1601 a file time names
    uint32_t m_createError = 0;
    bool m_failSet = false;
    bool m_relativeAtOnce = false;
    bool m_stopped = false;
    uint32_t m_lastError = 0;
    std::chrono::seconds m_waitLimit{10};
};

class CFakePower : public IPower {
public:
    void SetThreadExecutionState(uint32_t flags) override;
    bool SetPowerRequest(const std::string& reason, uint32_t kinds) override;
    uint32_t SetSystemPowerState(bool suspend, bool force) override;
    uint32_t AdjustProcessPrivilege(const char* name, bool enable,
                                    PrivilegeStep& failedAt) override;
    void WriteStandardOutput(const std::string& text) override;
    bool ReadWakeTimerSetting(uint32_t& onMains, uint32_t& onBattery) override;
    bool ReadHibernateAfter(uint32_t& onMains, uint32_t& onBattery) override;
    uint32_t AllowWakeTimers(bool& asked) override;
    bool ReadSleepCapabilities(SleepCapabilities& capabilities) override;
    bool ReadSystemExecutionState(uint32_t& state) override;
    bool ReadOnBattery(bool& onBattery) override;

    void SetOnBattery(bool onBattery);
    // "Hibernate after" in seconds, on mains and on battery (unread until set).
    void SetHibernateAfter(uint32_t onMains, uint32_t onBattery);
    // AllowWakeTimers fails with the error (0: it sets both values).
    void FailAllowWakeTimers(uint32_t error);
    // The state the thread holds now (the last one set; 0 before any).
    uint32_t HeldState() const;
    // How many times the system's idle timer was reset once (a state with
    // ES_FLAG_SYSTEM_REQUIRED and without ES_FLAG_CONTINUOUS).
    int IdleResets() const;
    // Power requests are had (by default the system has none, as before
    // Windows 7); what one holds now and why.
    void HavePowerRequests();
    uint32_t RequestedKinds() const;
    std::string RequestReason() const;
    // What the system's state reads: by default the state held here, as on
    // a machine where nothing else asks to stay awake.
    void OnReadSystemState(std::function<uint32_t()> read);
    // Sleep requests run this (and are still recorded); it returns once the
    // machine has slept and resumed, with the request's result.
    void OnSleep(std::function<uint32_t(bool suspend)> sleep);
    void FailPrivilege(PrivilegeStep step, uint32_t error);
    // Sleep requests fail with the error from now on (still recorded).
    void FailSleep(uint32_t error);
    void SetSleepCapabilities(const SleepCapabilities& capabilities);
    void SetWakeTimerSetting(uint32_t onMains, uint32_t onBattery);
    std::vector<uint32_t> ExecutionStates() const;
    // "suspend" or "hibernate" per request, "force" appended when forced.
    std::vector<std::string> SleepRequests() const;
    std::vector<std::string> Privileges() const;
    std::string Output() const;

private:
    mutable std::mutex m_lock;
    std::vector<uint32_t> m_states;
    bool m_powerRequests = false;
    uint32_t m_requested = 0;
    std::string m_requestReason;
    std::vector<std::string> m_sleeps;
    std::vector<std::string> m_privileges;
    std::string m_output;
    PrivilegeStep m_failStep = PrivilegeStep::none;
    uint32_t m_failError = 0;
    bool m_hasWakeSetting = false;
    uint32_t m_onMains = 1, m_onBattery = 1;
    bool m_hasHibernateAfter = false;
    uint32_t m_hibernateAfterMains = 0, m_hibernateAfterBattery = 0;
    uint32_t m_allowError = 0;
    uint32_t m_sleepError = 0;
    bool m_hasCapabilities = false;
    SleepCapabilities m_capabilities;
    bool m_batteryPower = false;
    std::function<uint32_t()> m_readSystemState;
    std::function<uint32_t(bool)> m_sleep;
};

class CFakeProcessStarter : public IProcessStarter {
public:
    bool StartProcess(const std::string& commandLine) override;
    std::vector<std::string> CommandLines() const;
    // Those from the first'th on, and how many (a long week's are many).
    std::vector<std::string> CommandLinesFrom(size_t first) const;
    size_t Count() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_commandLines;
};

// Watches one process; the test ends it.
class CFakeProcessWatch : public IProcessWatch {
public:
    bool Watch(uint32_t processId, Ended ended) override;
    // Processes that cannot be watched.
    void Refuse(uint32_t processId);
    // The watched process ends: its callback runs here.
    void End(uint32_t processId);
    uint32_t Watched() const;

private:
    mutable std::mutex m_lock;
    uint32_t m_watched = 0;
    Ended m_ended;
    std::vector<uint32_t> m_refused;
};

// The network's byte counters as the test moves them; counts the reads.
class CFakeNetworkCounters : public INetworkCounters {
public:
    bool ReadNetworkBytes(uint64_t& bytes) override {
        ++m_reads;
        bytes = m_bytes;
        return true;
    }
    void Add(uint64_t bytes) { m_bytes += bytes; }
    int Reads() const { return m_reads; }

private:
    std::atomic<uint64_t> m_bytes{0};
    std::atomic<int> m_reads{0};
};

// The running programs the test sets; counts the lookups.
class CFakeProcessList : public IProcessList {
public:
    bool ReadRunningPrograms(std::vector<std::string>& names) override;
    void Set(std::vector<std::string> names);
    int Reads() const;

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_names;
    int m_reads = 0;
};

// The host's record: what the test sets is what the scheduler finds.
class CFakeHostLookup : public IHostLookup {
public:
    HostSeen Find() const override;
    void Set(const HostSeen& seen);

private:
    mutable std::mutex m_lock;
    HostSeen m_seen;
};

// The dialog's window. Sends call the window's procedure at once on the calling thread; posts to
// the dialog wait until the test delivers them.
class CFakeWindowMessenger : public IWindowMessenger {
public:
    using Procedure = std::function<void(uint32_t message, uint32_t wParam, int32_t lParam)>;

    bool SendToDialog(uint32_t message, uint32_t wParam, int32_t lParam) override;
    bool PostToDialog(uint32_t message, uint32_t wParam, int32_t lParam) override;
    uint32_t AllowFromLowerIntegrity(uint32_t message) override;

    void SetDialog(Procedure procedure);
    // The messages let through to the dialog's window so far.
    std::vector<uint32_t> AllowedFromLowerIntegrity() const;
    void FailFilter(uint32_t error);
    void RemoveDialog();
    // Hands the queued posts to the dialog, oldest first, including those
    // posted meanwhile; returns how many.
    int DeliverPosted();
    size_t PostedCount() const;

private:
    Procedure Dialog() const;
    mutable std::mutex m_lock;
    Procedure m_dialog;
    struct Posted {
        uint32_t message;
        uint32_t wParam;
        int32_t lParam;
    };
    std::deque<Posted> m_posted;
    std::vector<uint32_t> m_allowed;
    uint32_t m_filterError = 0;
};

// The log file and its older copy in memory. Appends can be made to fail.
class CFakeLogFile : public ILogFile {
public:
    uint32_t Append(const std::string& text, uint64_t& sizeAfter) override;
    uint32_t Rotate() override;

    void Fail(uint32_t error);
    std::string Text() const;
    std::string Older() const;
    int Appends() const;

private:
    mutable std::mutex m_lock;
    std::string m_text, m_older;
    uint32_t m_error = 0;
    int m_appends = 0;
};

class CFakeSession : public ISession {
public:
    // Its mark goes with it, as a named object with its process.
    ~CFakeSession() override;
    bool AtConsole() override { return m_atConsole; }
    bool MillisecondsSinceInput(uint32_t& ms) override {
        ms = m_sinceInput;
        return m_sinceInput != UINT32_MAX;
    }
    void SetRecordingMark(bool recording) override;
    bool OtherSessionRecording() override;
    void SetAtConsole(bool atConsole) { m_atConsole = atConsole; }
    // The global namespace of the marks, shared by the sessions of one
    // machine; each session has its own by default.
    struct Marks {
        std::mutex lock;
        std::map<const CFakeSession*, bool> held;
    };
    void ShareMarks(std::shared_ptr<Marks> marks) { m_marks = std::move(marks); }
    bool HoldsMark() const;
    // UINT32_MAX: the system cannot tell (the default).
    void SetMillisecondsSinceInput(uint32_t ms) { m_sinceInput = ms; }

private:
    std::atomic<bool> m_atConsole{true};
    std::atomic<uint32_t> m_sinceInput{UINT32_MAX};
    std::shared_ptr<Marks> m_marks = std::make_shared<Marks>();
};

// Waits poll the condition with real short sleeps; a test can run work on
// each turn, as the dialog's thread handles sends while it waits. Pauses
// return at once and are only added up.
class CFakeThreadWait : public IThreadWait {
public:
    bool WaitUntil(const std::function<bool()>& done, uint32_t timeoutMs) override;
    void Pause(uint32_t ms) override;

    void WhileWaiting(std::function<void()> work);
    // No wait lasts longer than this, whatever it asks for.
    void CapTimeouts(uint32_t ms);
    uint64_t PausedMs() const;

private:
    mutable std::mutex m_lock;
    std::function<void()> m_work;
    uint32_t m_capMs = UINT32_MAX;
    uint64_t m_pausedMs = 0;
};

class CFakeDirectoryWatcher : public IDirectoryWatcher {
public:
    struct Watch {
        std::string directory;
        uint32_t notifyFilter;
        CDirectoryChangeHandler* handler;
        bool watchSubtree;
        std::string include, exclude;
    };
    uint32_t WatchDirectory(const std::string& directory, uint32_t notifyFilter,
                            CDirectoryChangeHandler* handler, bool watchSubtree,
                            const char* includeFilter, const char* excludeFilter) override;
    void Fail(uint32_t error) { m_error = error; }
    const std::vector<Watch>& Watches() const { return m_watches; }

private:
    uint32_t m_error = 0;
    std::vector<Watch> m_watches;
};
