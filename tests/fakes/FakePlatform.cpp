#include "tests/fakes/FakePlatform.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

#include "wakeup/app/resource.h"

using Guard = std::lock_guard<std::mutex>;

CDateTime CFakeClock::Now() const {
    Guard g(m_lock);
    return m_now;
}

CDateTime CFakeClock::NowUtc() const {
    return Now() - CDateTimeSpan(0, m_offsetHours, 0, 0);
}

void CFakeClock::Set(const CDateTime& now) {
    Guard g(m_lock);
    m_now = now;
}

void CFakeClock::Advance(const CDateTimeSpan& span) {
    Guard g(m_lock);
    m_now = m_now + span;
}

std::string CFakeDateText::Format(const CDateTime& when) const {
    // By hand: a simulated week formats millions of these.
    const CDateTime::Parts t = when.GetParts();
    std::string text =
        std::to_string(t.month) + '/' + std::to_string(t.day) + '/' + std::to_string(t.year);
    if (t.hour == 0 && t.minute == 0 && t.second == 0)
        return text;
    const auto two = [&text](int n) {
        text += static_cast<char>('0' + n / 10);
        text += static_cast<char>('0' + n % 10);
    };
    text += ' ' + std::to_string(t.hour % 12 == 0 ? 12 : t.hour % 12) + ':';
    two(t.minute);
    text += ':';
    two(t.second);
    text += t.hour < 12 ? " AM" : " PM";
    return text;
}

class CFakeRegistryKey : public IRegistryKey {
public:
    CFakeRegistryKey(CFakeRegistry& owner, std::string subKey)
        : m_owner(owner), m_subKey(std::move(subKey)) {}

    long QueryValue(const char* name, void* data, uint32_t* size) override {
        Guard g(m_owner.m_lock);
        const auto& values = m_owner.m_keys[m_subKey];
        const auto it = values.find(name);
        if (it == values.end())
            return 2; // ERROR_FILE_NOT_FOUND
        const auto& bytes = it->second.data;
        if (bytes.size() > *size) {
            *size = static_cast<uint32_t>(bytes.size());
            return 234; // ERROR_MORE_DATA
        }
        std::memcpy(data, bytes.data(), bytes.size());
        *size = static_cast<uint32_t>(bytes.size());
        return 0;
    }

    long SetDword(const char* name, uint32_t value) override {
        m_owner.SetDword(m_subKey, name, value);
        return 0;
    }

    long SetString(const char* name, const char* text) override {
        m_owner.SetRaw(m_subKey, name, 1, std::string(text, std::strlen(text) + 1));
        return 0;
    }

private:
    CFakeRegistry& m_owner;
    std::string m_subKey;
};

void CFakeRegistry::AddKey(const std::string& subKey) {
    Guard g(m_lock);
    m_keys[subKey];
}

void CFakeRegistry::DeleteKey(const std::string& subKey) {
    Guard g(m_lock);
    m_keys.erase(subKey);
}

void CFakeRegistry::SetDword(const std::string& subKey, const std::string& name, uint32_t value) {
    std::string bytes(4, '\0');
    std::memcpy(&bytes[0], &value, 4);
    SetRaw(subKey, name, 4, bytes);
}

void CFakeRegistry::SetRaw(const std::string& subKey, const std::string& name, uint32_t type,
                           const std::string& bytes) {
    Guard g(m_lock);
    m_keys[subKey][name] = Value{type, std::vector<unsigned char>(bytes.begin(), bytes.end())};
    ++m_writes;
}

bool CFakeRegistry::HasValue(const std::string& subKey, const std::string& name) const {
    Guard g(m_lock);
    const auto key = m_keys.find(subKey);
    return key != m_keys.end() && key->second.count(name) != 0;
}

uint32_t CFakeRegistry::GetDword(const std::string& subKey, const std::string& name) const {
    Guard g(m_lock);
    const auto& data = m_keys.at(subKey).at(name).data;
    uint32_t value = 0;
    std::memcpy(&value, data.data(), std::min<size_t>(4, data.size()));
    return value;
}

std::string CFakeRegistry::GetString(const std::string& subKey, const std::string& name) const {
    Guard g(m_lock);
    const auto& data = m_keys.at(subKey).at(name).data;
    const auto end = std::find(data.begin(), data.end(), '\0');
    return std::string(data.begin(), end);
}

int CFakeRegistry::WriteCount() const {
    Guard g(m_lock);
    return m_writes;
}

std::unique_ptr<IRegistryKey> CFakeRegistry::OpenCurrentUserKey(const char* subKey) {
    Guard g(m_lock);
    if (m_keys.count(subKey) == 0)
        return nullptr;
    return std::make_unique<CFakeRegistryKey>(*this, subKey);
}

bool CFakeThreadStarter::Start(ThreadProc proc, void* param) {
    Guard g(m_lock);
    m_started.push_back({proc, param});
    return true;
}

bool CFakeThreadStarter::StopAll(uint32_t timeoutMs) {
    std::function<bool(uint32_t)> stop;
    {
        Guard g(m_lock);
        stop = m_stop;
    }
    return stop ? stop(timeoutMs) : true;
}

void CFakeThreadStarter::OnStopAll(std::function<bool(uint32_t)> stop) {
    Guard g(m_lock);
    m_stop = std::move(stop);
}

std::vector<CFakeThreadStarter::Started> CFakeThreadStarter::Take() {
    Guard g(m_lock);
    return std::exchange(m_started, {});
}

size_t CFakeThreadStarter::Count() const {
    Guard g(m_lock);
    return m_started.size();
}

void CFakeLogList::AddString(const std::string& line) {
    Guard g(m_lock);
    m_lines.push_back(line);
}

int CFakeLogList::GetCount() {
    Guard g(m_lock);
    return static_cast<int>(m_lines.size());
}

void CFakeLogList::DeleteString(int index) {
    Guard g(m_lock);
    if (index >= 0 && index < static_cast<int>(m_lines.size()))
        m_lines.erase(m_lines.begin() + index);
}

void CFakeLogList::ShowAndSelect(int index) {
    Guard g(m_lock);
    m_selected = index;
}

std::vector<std::string> CFakeLogList::Lines() const {
    Guard g(m_lock);
    return m_lines;
}

void CFakeLogList::Clear() {
    Guard g(m_lock);
    m_lines.clear();
    m_selected = -1;
}

int CFakeLogList::Selected() const {
    Guard g(m_lock);
    return m_selected;
}

int CFakeProgressBar::Clamp(int pos) const {
    return std::max(m_lower, std::min(m_upper, pos));
}

void CFakeProgressBar::SetRange(int lower, int upper) {
    Guard g(m_lock);
    // The control takes the bounds as two 16-bit values.
    m_lower = static_cast<int16_t>(lower);
    m_upper = static_cast<int16_t>(upper);
    m_pos = Clamp(m_pos);
    ++m_rangeCalls;
}

void CFakeProgressBar::SetStep(int step) {
    Guard g(m_lock);
    m_step = step;
}

void CFakeProgressBar::StepIt() {
    Guard g(m_lock);
    m_pos = Clamp(m_pos + m_step);
}

int CFakeProgressBar::GetPos() {
    Guard g(m_lock);
    return m_pos;
}

void CFakeProgressBar::SetPos(int pos) {
    Guard g(m_lock);
    m_pos = Clamp(pos);
}

int CFakeProgressBar::Lower() const {
    Guard g(m_lock);
    return m_lower;
}

int CFakeProgressBar::Upper() const {
    Guard g(m_lock);
    return m_upper;
}

int CFakeProgressBar::Step() const {
    Guard g(m_lock);
    return m_step;
}

int CFakeProgressBar::RangeCalls() const {
    Guard g(m_lock);
    return m_rangeCalls;
}

std::string CFakeDialogControls::GetItemText(int id) {
    Guard g(m_lock);
    return m_text[id];
}

void CFakeDialogControls::SetItemText(int id, const std::string& text) {
    Guard g(m_lock);
    m_text[id] = text;
}

bool CFakeDialogControls::GetCheck(int id) {
    Guard g(m_lock);
    return m_check[id];
}

void CFakeDialogControls::SetCheck(int id, bool checked) {
    Guard g(m_lock);
    m_check[id] = checked;
}

void CFakeDialogControls::LimitText(int id, int maxChars) {
    Guard g(m_lock);
    m_limit[id] = maxChars;
}

void CFakeDialogControls::FocusControl(int id) {
    Guard g(m_lock);
    m_focused = id;
}

std::string CFakeDialogControls::LoadResourceString(unsigned id) {
    // The program's string table, as the resource script has it.
    switch (id) {
    case IDS_PARSE_INT:
        return "Please enter an integer.";
    case IDS_PARSE_INT_RANGE:
        return "Please enter an integer between %1 and %2.";
    case IDS_PARSE_STRING_SIZE:
        return "Please enter no more than %1 characters.";
    case IDS_ABOUTBOX:
        return "&About kelmarwakeup...";
    default:
        return "";
    }
}

void CFakeDialogControls::ShowMessage(const std::string& text) {
    Guard g(m_lock);
    m_messages.push_back(text);
}

void CFakeDialogControls::Type(int id, const std::string& text) {
    Guard g(m_lock);
    m_text[id] = text;
}

std::vector<std::string> CFakeDialogControls::Messages() const {
    Guard g(m_lock);
    return m_messages;
}

int CFakeDialogControls::Focused() const {
    Guard g(m_lock);
    return m_focused;
}

int CFakeDialogControls::Limit(int id) const {
    Guard g(m_lock);
    const auto it = m_limit.find(id);
    return it == m_limit.end() ? 0 : it->second;
}

void CFakeFileReader::SetFile(const std::string& path, const std::string& bytes) {
    Guard g(m_lock);
    m_files[path] = bytes;
    m_locked.erase(path);
}

void CFakeFileReader::Lock(const std::string& path) {
    Guard g(m_lock);
    m_locked[path] = true;
}

bool CFakeFileReader::ReadWholeFile(const std::string& path, size_t maxBytes,
                                    std::vector<char>& bytes) {
    Guard g(m_lock);
    ++m_reads;
    const auto it = m_files.find(path);
    if (it == m_files.end() || m_locked.count(path) || it->second.size() > maxBytes)
        return false;
    bytes.assign(it->second.begin(), it->second.end());
    return true;
}

int CFakeFileReader::Reads() const {
    Guard g(m_lock);
    return m_reads;
}

int64_t CFakeLocalTimeConverter::LocalToUtcFileTime(const CDateTime& local) const {
    if (m_failing)
        return ILocalTimeConverter::kUnconvertible;
    if (m_bRules)
        return FileTimeOf(LocalToUtc(m_rules, local));
    return FileTimeOf(local - CDateTimeSpan(0, m_offsetHours, 0, 0));
}

IWaitableTimers::Handle CFakeWaitableTimers::Open(const char* name) {
    Guard g(m_lock);
    Record({"open", 0, 0});
    const auto it = m_timers.find(name);
    if (it == m_timers.end()) {
        m_lastError = 2;
        return 0;
    }
    ++it->second.handles;
    const Handle handle = m_nextHandle++;
    m_handles[handle] = name;
    return handle;
}

IWaitableTimers::Handle CFakeWaitableTimers::Create(const char* name) {
    Guard g(m_lock);
    Record({"create", 0, 0});
    if (m_createError) {
        m_lastError = m_createError;
        return 0;
    }
    ++m_timers[name].handles;
    const Handle handle = m_nextHandle++;
    m_handles[handle] = name;
    return handle;
}

bool CFakeWaitableTimers::Set(Handle timer, int64_t dueTime, bool resume,
                              const std::string& reason) {
    Guard g(m_lock);
    Record({resume ? "set-resume" : "set", timer, dueTime, reason});
    if (m_failSet || !m_handles.count(timer)) {
        m_lastError = 6;
        return false;
    }
    m_lastError = resume && m_refuseResume ? kErrorNotSupported : 0;
    Timer& t = m_timers[m_handles[timer]];
    t.due = dueTime;
    t.armed = true;
    t.signalled = (dueTime >= 0 && dueTime <= m_now) || (dueTime < 0 && m_relativeAtOnce);
    if (t.signalled) {
        ++t.firings;
        m_changed.notify_all();
    }
    return true;
}

uint32_t CFakeWaitableTimers::Wait(Handle timer) {
    std::unique_lock<std::mutex> g(m_lock);
    Record({"wait", timer, 0});
    if (!m_handles.count(timer))
        return 0xFFFFFFFF;
    const std::string name = m_handles[timer];
    const auto begun = m_begunAt.find(timer);
    const uint64_t firings = begun != m_begunAt.end() ? begun->second : m_timers[name].firings;
    const auto waiter = m_timers[name].waiters.insert(firings);
    m_changed.notify_all();
    const bool ended = m_changed.wait_for(g, m_waitLimit, [&] {
        return m_stopped || m_timers[name].signalled || m_timers[name].firings != firings;
    });
    m_timers[name].waiters.erase(waiter);
    if (m_stopped)
        return kWaitStopped;
    return ended ? kWaitObject0 : 0x102; // WAIT_TIMEOUT
}

void CFakeWaitableTimers::BeginWait(Handle timer) {
    Guard g(m_lock);
    if (m_handles.count(timer))
        m_begunAt[timer] = m_timers[m_handles[timer]].firings;
}

bool CFakeWaitableTimers::WaitWouldEnd(Handle timer) const {
    Guard g(m_lock);
    const auto handle = m_handles.find(timer);
    const auto begun = m_begunAt.find(timer);
    if (handle == m_handles.end() || begun == m_begunAt.end())
        return m_stopped;
    const Timer& t = m_timers.at(handle->second);
    return m_stopped || t.signalled || t.firings != begun->second;
}

void CFakeWaitableTimers::StopWaits() {
    Guard g(m_lock);
    m_stopped = true;
    m_changed.notify_all();
}

void CFakeWaitableTimers::LimitWaits(std::chrono::seconds limit) {
    Guard g(m_lock);
    m_waitLimit = limit;
}

void CFakeWaitableTimers::Cancel(Handle timer) {
    Guard g(m_lock);
    Record({"cancel", timer, 0});
    if (m_handles.count(timer)) {
        Timer& t = m_timers[m_handles[timer]];
        t.armed = false;
        t.due = 0;
    }
}

void CFakeWaitableTimers::Close(Handle timer) {
    Guard g(m_lock);
    Record({"close", timer, 0});
    const auto it = m_handles.find(timer);
    if (it == m_handles.end())
        return;
    m_begunAt.erase(timer);
    if (--m_timers[it->second].handles == 0)
        m_timers.erase(it->second);
    m_handles.erase(it);
}

uint32_t CFakeWaitableTimers::LastError() const {
    Guard g(m_lock);
    return m_lastError;
}

void CFakeWaitableTimers::SetNow(int64_t fileTime) {
    Guard g(m_lock);
    m_now = fileTime;
}

void CFakeWaitableTimers::FailCreate(uint32_t error) {
    Guard g(m_lock);
    m_createError = error;
}

void CFakeWaitableTimers::SignalRelativeAtOnce() {
    Guard g(m_lock);
    m_relativeAtOnce = true;
}

void CFakeWaitableTimers::FailSet() {
    Guard g(m_lock);
    m_failSet = true;
}

void CFakeWaitableTimers::RefuseResume() {
    Guard g(m_lock);
    m_refuseResume = true;
}

void CFakeWaitableTimers::Fire(const std::string& name) {
    Guard g(m_lock);
    const auto it = m_timers.find(name);
    if (it != m_timers.end() && it->second.armed) {
        it->second.signalled = true;
        ++it->second.firings;
        m_changed.notify_all();
    }
}

bool CFakeWaitableTimers::Exists(const std::string& name) const {
    Guard g(m_lock);
    return m_timers.count(name) != 0;
}

int64_t CFakeWaitableTimers::DueTime(const std::string& name) const {
    Guard g(m_lock);
    const auto it = m_timers.find(name);
    return it == m_timers.end() || !it->second.armed ? 0 : it->second.due;
}

bool CFakeWaitableTimers::Signalled(const std::string& name) const {
    Guard g(m_lock);
    const auto it = m_timers.find(name);
    return it != m_timers.end() && it->second.signalled;
}

int CFakeWaitableTimers::Waiters(const std::string& name) const {
    Guard g(m_lock);
    const auto it = m_timers.find(name);
    if (it == m_timers.end() || it->second.signalled || m_stopped)
        return 0;
    return static_cast<int>(it->second.waiters.count(it->second.firings));
}

std::vector<CFakeWaitableTimers::Call> CFakeWaitableTimers::Calls() const {
    Guard g(m_lock);
    return m_calls;
}

int CFakeWaitableTimers::OpenHandles() const {
    Guard g(m_lock);
    return static_cast<int>(m_handles.size());
}

void CFakePower::SetThreadExecutionState(uint32_t flags) {
    Guard g(m_lock);
    m_states.push_back(flags);
}

uint32_t CFakePower::SetSystemPowerState(bool suspend, bool force) {
    std::function<uint32_t(bool)> sleep;
    {
        Guard g(m_lock);
        m_sleeps.push_back(std::string(suspend ? "suspend" : "hibernate") +
                           (force ? " force" : ""));
        if (!m_sleep)
            return m_sleepError;
        sleep = m_sleep;
    }
    return sleep(suspend);
}

void CFakePower::OnSleep(std::function<uint32_t(bool suspend)> sleep) {
    Guard g(m_lock);
    m_sleep = std::move(sleep);
}

bool CFakePower::SetPowerRequest(const std::string& reason, uint32_t kinds) {
    Guard g(m_lock);
    if (!m_powerRequests)
        return false;
    m_requested = kinds;
    m_requestReason = kinds ? reason : std::string();
    return true;
}

void CFakePower::HavePowerRequests() {
    Guard g(m_lock);
    m_powerRequests = true;
}

uint32_t CFakePower::RequestedKinds() const {
    Guard g(m_lock);
    return m_requested;
}

std::string CFakePower::RequestReason() const {
    Guard g(m_lock);
    return m_requestReason;
}

int CFakePower::IdleResets() const {
    Guard g(m_lock);
    return static_cast<int>(std::count_if(m_states.begin(), m_states.end(), [](uint32_t state) {
        return (state & ES_FLAG_SYSTEM_REQUIRED) && !(state & ES_FLAG_CONTINUOUS);
    }));
}

uint32_t CFakePower::HeldState() const {
    Guard g(m_lock);
    // As Windows keeps it: a state set without ES_FLAG_CONTINUOUS resets the
    // idle timers once and leaves the held one as it was.
    uint32_t held = m_requested ? (m_requested | ES_FLAG_CONTINUOUS) : 0;
    for (auto it = m_states.rbegin(); it != m_states.rend(); ++it)
        if (*it & ES_FLAG_CONTINUOUS)
            return held | *it;
    return held;
}

void CFakePower::OnReadSystemState(std::function<uint32_t()> read) {
    Guard g(m_lock);
    m_readSystemState = std::move(read);
}

bool CFakePower::ReadSystemExecutionState(uint32_t& state) {
    std::function<uint32_t()> read;
    {
        Guard g(m_lock);
        read = m_readSystemState;
    }
    state = read ? read() : HeldState();
    return true;
}

CFakeSession::~CFakeSession() {
    std::lock_guard<std::mutex> g(m_marks->lock);
    m_marks->held.erase(this);
}

void CFakeSession::SetRecordingMark(bool recording) {
    std::lock_guard<std::mutex> g(m_marks->lock);
    m_marks->held[this] = recording;
}

bool CFakeSession::OtherSessionRecording() {
    std::lock_guard<std::mutex> g(m_marks->lock);
    for (const auto& [session, held] : m_marks->held)
        if (session != this && held)
            return true;
    return false;
}

bool CFakeSession::HoldsMark() const {
    std::lock_guard<std::mutex> g(m_marks->lock);
    const auto it = m_marks->held.find(this);
    return it != m_marks->held.end() && it->second;
}

bool CFakePower::ReadOnBattery(bool& onBattery) {
    Guard g(m_lock);
    onBattery = m_batteryPower;
    return true;
}

void CFakePower::SetOnBattery(bool onBattery) {
    Guard g(m_lock);
    m_batteryPower = onBattery;
}

void CFakePower::FailSleep(uint32_t error) {
    Guard g(m_lock);
    m_sleepError = error;
}

bool CFakePower::ReadSleepCapabilities(SleepCapabilities& capabilities) {
    Guard g(m_lock);
    capabilities = m_capabilities;
    return m_hasCapabilities;
}

void CFakePower::SetSleepCapabilities(const SleepCapabilities& capabilities) {
    Guard g(m_lock);
    m_capabilities = capabilities;
    m_hasCapabilities = true;
}

uint32_t CFakePower::AdjustProcessPrivilege(const char* name, bool enable,
                                            PrivilegeStep& failedAt) {
    Guard g(m_lock);
    m_privileges.push_back(std::string(name) + (enable ? " on" : " off"));
    failedAt = m_failStep;
    return m_failError;
}

void CFakePower::WriteStandardOutput(const std::string& text) {
    Guard g(m_lock);
    m_output += text;
}

bool CFakePower::ReadWakeTimerSetting(uint32_t& onMains, uint32_t& onBattery) {
    Guard g(m_lock);
    onMains = m_onMains;
    onBattery = m_onBattery;
    return m_hasWakeSetting;
}

bool CFakePower::ReadHibernateAfter(uint32_t& onMains, uint32_t& onBattery) {
    Guard g(m_lock);
    onMains = m_hibernateAfterMains;
    onBattery = m_hibernateAfterBattery;
    return m_hasHibernateAfter;
}

void CFakePower::SetHibernateAfter(uint32_t onMains, uint32_t onBattery) {
    Guard g(m_lock);
    m_hasHibernateAfter = true;
    m_hibernateAfterMains = onMains;
    m_hibernateAfterBattery = onBattery;
}

uint32_t CFakePower::AllowWakeTimers(bool& asked) {
    Guard g(m_lock);
    asked = false;
    if (m_allowError)
        return m_allowError;
    m_hasWakeSetting = true;
    m_onMains = m_onBattery = WAKE_TIMERS_ENABLED;
    return 0;
}

void CFakePower::FailAllowWakeTimers(uint32_t error) {
    Guard g(m_lock);
    m_allowError = error;
}

void CFakePower::FailPrivilege(PrivilegeStep step, uint32_t error) {
    Guard g(m_lock);
    m_failStep = step;
    m_failError = error;
}

void CFakePower::SetWakeTimerSetting(uint32_t onMains, uint32_t onBattery) {
    Guard g(m_lock);
    m_hasWakeSetting = true;
    m_onMains = onMains;
    m_onBattery = onBattery;
}

std::vector<uint32_t> CFakePower::ExecutionStates() const {
    Guard g(m_lock);
    return m_states;
}

std::vector<std::string> CFakePower::SleepRequests() const {
    Guard g(m_lock);
    return m_sleeps;
}

std::vector<std::string> CFakePower::Privileges() const {
    Guard g(m_lock);
    return m_privileges;
}

std::string CFakePower::Output() const {
    Guard g(m_lock);
    return m_output;
}

bool CFakeProcessStarter::StartProcess(const std::string& commandLine) {
    Guard g(m_lock);
    m_commandLines.push_back(commandLine);
    return true;
}

std::vector<std::string> CFakeProcessStarter::CommandLines() const {
    Guard g(m_lock);
    return m_commandLines;
}

size_t CFakeProcessStarter::Count() const {
    Guard g(m_lock);
    return m_commandLines.size();
}

std::vector<std::string> CFakeProcessStarter::CommandLinesFrom(size_t first) const {
    Guard g(m_lock);
    if (first >= m_commandLines.size())
        return {};
    return std::vector<std::string>(m_commandLines.begin() + static_cast<std::ptrdiff_t>(first),
                                    m_commandLines.end());
}

CFakeWindowMessenger::Procedure CFakeWindowMessenger::Dialog() const {
    Guard g(m_lock);
    return m_dialog;
}

bool CFakeProcessWatch::Watch(uint32_t processId, Ended ended) {
    Guard g(m_lock);
    if (std::find(m_refused.begin(), m_refused.end(), processId) != m_refused.end())
        return false;
    m_watched = processId;
    m_ended = std::move(ended);
    return true;
}

void CFakeProcessWatch::Refuse(uint32_t processId) {
    Guard g(m_lock);
    m_refused.push_back(processId);
}

void CFakeProcessWatch::End(uint32_t processId) {
    Ended ended;
    {
        Guard g(m_lock);
        if (processId != m_watched)
            return;
        ended = std::exchange(m_ended, nullptr);
        m_watched = 0;
    }
    if (ended)
        ended();
}

bool CFakeProcessList::ReadRunningPrograms(std::vector<std::string>& names) {
    Guard g(m_lock);
    ++m_reads;
    names = m_names;
    return true;
}

void CFakeProcessList::Set(std::vector<std::string> names) {
    Guard g(m_lock);
    m_names = std::move(names);
}

int CFakeProcessList::Reads() const {
    Guard g(m_lock);
    return m_reads;
}

HostSeen CFakeHostLookup::Find() const {
    Guard g(m_lock);
    return m_seen;
}

void CFakeHostLookup::Set(const HostSeen& seen) {
    Guard g(m_lock);
    m_seen = seen;
}

uint32_t CFakeProcessWatch::Watched() const {
    Guard g(m_lock);
    return m_watched;
}

uint32_t CFakeWindowMessenger::AllowFromLowerIntegrity(uint32_t message) {
    Guard g(m_lock);
    if (m_filterError == 0)
        m_allowed.push_back(message);
    return m_filterError;
}

std::vector<uint32_t> CFakeWindowMessenger::AllowedFromLowerIntegrity() const {
    Guard g(m_lock);
    return m_allowed;
}

void CFakeWindowMessenger::FailFilter(uint32_t error) {
    Guard g(m_lock);
    m_filterError = error;
}

bool CFakeWindowMessenger::SendToDialog(uint32_t message, uint32_t wParam, int32_t lParam) {
    const Procedure procedure = Dialog();
    if (!procedure)
        return false;
    procedure(message, wParam, lParam);
    return true;
}

bool CFakeWindowMessenger::PostToDialog(uint32_t message, uint32_t wParam, int32_t lParam) {
    Guard g(m_lock);
    if (!m_dialog)
        return false;
    m_posted.push_back({message, wParam, lParam});
    return true;
}

void CFakeWindowMessenger::SetDialog(Procedure procedure) {
    Guard g(m_lock);
    m_dialog = std::move(procedure);
}

void CFakeWindowMessenger::RemoveDialog() {
    Guard g(m_lock);
    m_dialog = nullptr;
}

int CFakeWindowMessenger::DeliverPosted() {
    int delivered = 0;
    for (;;) {
        Posted posted{};
        Procedure procedure;
        {
            Guard g(m_lock);
            if (m_posted.empty() || !m_dialog)
                return delivered;
            posted = m_posted.front();
            m_posted.pop_front();
            procedure = m_dialog;
        }
        procedure(posted.message, posted.wParam, posted.lParam);
        ++delivered;
    }
}

size_t CFakeWindowMessenger::PostedCount() const {
    Guard g(m_lock);
    return m_posted.size();
}

bool CFakeThreadWait::WaitUntil(const std::function<bool()>& done, uint32_t timeoutMs) {
    std::function<void()> work;
    {
        Guard g(m_lock);
        work = m_work;
        timeoutMs = std::min(timeoutMs, m_capMs);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        if (work)
            work();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void CFakeThreadWait::Pause(uint32_t ms) {
    Guard g(m_lock);
    m_pausedMs += ms;
}

void CFakeThreadWait::CapTimeouts(uint32_t ms) {
    Guard g(m_lock);
    m_capMs = ms;
}

void CFakeThreadWait::WhileWaiting(std::function<void()> work) {
    Guard g(m_lock);
    m_work = std::move(work);
}

uint64_t CFakeThreadWait::PausedMs() const {
    Guard g(m_lock);
    return m_pausedMs;
}

uint32_t CFakeDirectoryWatcher::WatchDirectory(const std::string& directory, uint32_t notifyFilter,
                                               CDirectoryChangeHandler* handler, bool watchSubtree,
                                               const char* includeFilter,
                                               const char* excludeFilter) {
    m_watches.push_back({directory, notifyFilter, handler, watchSubtree,
                         includeFilter ? includeFilter : "", excludeFilter ? excludeFilter : ""});
    return m_error;
}

uint32_t CFakeLogFile::Append(const std::string& text, uint64_t& sizeAfter) {
    Guard g(m_lock);
    ++m_appends;
    if (m_error)
        return m_error;
    m_text += text;
    sizeAfter = m_text.size();
    return 0;
}

uint32_t CFakeLogFile::Rotate() {
    Guard g(m_lock);
    m_older = std::move(m_text);
    m_text.clear();
    return 0;
}

void CFakeLogFile::Fail(uint32_t error) {
    Guard g(m_lock);
    m_error = error;
}

std::string CFakeLogFile::Text() const {
    Guard g(m_lock);
    return m_text;
}

std::string CFakeLogFile::Older() const {
    Guard g(m_lock);
    return m_older;
}

int CFakeLogFile::Appends() const {
    Guard g(m_lock);
    return m_appends;
}

void CFakeDialogControls::ShowNextWake(const std::string& text) {
    Guard g(m_lock);
    m_nextWakes.push_back(text);
}

std::vector<std::string> CFakeDialogControls::NextWakes() const {
    Guard g(m_lock);
    return m_nextWakes;
}
