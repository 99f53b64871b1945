#include "tests/fakes/FakePlatform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "wakeup/app/resource.h"

using Guard = std::lock_guard<std::mutex>;

CDateTime CFakeClock::Now() const {
    Guard g(m_lock);
    return m_now;
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
    char text[64];
    const int hour = when.GetHour(), minute = when.GetMinute(), second = when.GetSecond();
    if (hour == 0 && minute == 0 && second == 0) {
        snprintf(text, sizeof text, "%d/%d/%d", when.GetMonth(), when.GetDay(), when.GetYear());
    } else {
        const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
        snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", when.GetMonth(), when.GetDay(),
                 when.GetYear(), hour12, minute, second, hour < 12 ? "AM" : "PM");
    }
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
