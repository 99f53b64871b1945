#include "wakeup/app/WakeUpSettings.h"

#include <cstring>

#include "wakeup/app/DataExchange.h"
#include "wakeup/app/SettingsNames.h"
#include "wakeup/app/resource.h"

namespace {
bool ReadNumber(IRegistryKey& key, const char* name, uint32_t& value) {
    // Zeroed first: a shorter value of another type must not leave
    // undetermined bytes behind.
    uint32_t buffer = 0;
    uint32_t size = sizeof buffer;
    if (key.QueryValue(name, &buffer, &size) != 0)
        return false;
    value = buffer;
    return true;
}

bool ReadText(IRegistryKey& key, const char* name, std::string& text) {
    char buffer[256] = {};
    uint32_t size = sizeof buffer;
    if (key.QueryValue(name, buffer, &size) != 0)
        return false;
    // A stored text of 256 bytes without its terminating zero fills the
    // buffer completely; it counts as too long rather than being read past
    // the buffer's end.
    const void* end = std::memchr(buffer, '\0', sizeof buffer);
    if (!end)
        return false;
    text.assign(buffer, static_cast<size_t>(static_cast<const char*>(end) - buffer));
    return true;
}
} // namespace

std::unique_ptr<IRegistryKey> CWakeUpSettings::OpenKey() {
    return m_registry.OpenCurrentUserKey(WAKEUP_SETTINGS_KEY);
}

bool CWakeUpSettings::Load() {
    auto key = OpenKey();
    if (!key)
        return false;
    uint32_t number = 0;
    if (ReadNumber(*key, WAKEUP_SETTING_PVR_BUFFER_BEGIN, number))
        m_nPvrBufferBegin = static_cast<int>(number);
    const bool lengthStored = ReadNumber(*key, WAKEUP_SETTING_SUSPEND_TIME, number);
    if (lengthStored)
        m_nSuspendMinutes = static_cast<int>(number);
    std::string text;
    if (!ReadText(*key, WAKEUP_SETTING_SUSPEND_TEXT, text))
        text = WAKEUP_DEFAULT_SUSPEND_TEXT;
    m_strSuspendText = text;
    m_bHibernate = ReadNumber(*key, WAKEUP_SETTING_USE_HIBERNATE, number) && number != 0;
    if (!ReadText(*key, WAKEUP_SETTING_HOST_PROGRAM, m_strHostProgram))
        m_strHostProgram.clear();
    if (!ReadText(*key, WAKEUP_SETTING_KEEP_AWAKE_PROGRAMS, m_strKeepAwakePrograms))
        m_strKeepAwakePrograms.clear();
    m_nNetworkBusyKBps =
        ReadNumber(*key, WAKEUP_SETTING_NETWORK_BUSY_KBPS, number) && number <= kMaxNetworkBusyKBps
            ? static_cast<int>(number)
            : 0;
    m_bCountUserInput = !ReadNumber(*key, WAKEUP_SETTING_COUNT_USER_INPUT, number) || number != 0;
    m_nSleepMarginMinutes = ReadNumber(*key, WAKEUP_SETTING_SLEEP_MARGIN_MINUTES, number) &&
                                    number <= kMaxSleepMarginMinutes
                                ? static_cast<int>(number)
                                : kDefaultSleepMarginMinutes;
    return lengthStored;
}

void CWakeUpSettings::DoDataExchange(CDataExchange& dx) {
    if (!dx.Text(IDC_SUSPEND_MINUTES, m_nSuspendMinutes) ||
        !dx.MinMaxInt(IDC_SUSPEND_MINUTES, m_nSuspendMinutes, 0, kMaxSuspendMinutes))
        return;
    if (!dx.Text(IDC_SUSPEND_TEXT, m_strSuspendText) ||
        !dx.MaxChars(IDC_SUSPEND_TEXT, m_strSuspendText, kMaxSuspendTextChars))
        return;
    int hibernate = m_bHibernate ? 1 : 0;
    dx.Check(IDC_HIBERNATE, hibernate);
    m_bHibernate = hibernate != 0;
}

bool CWakeUpSettings::Exchange(bool saveAndValidate) {
    // The exchange shows message boxes, which take the focus from the edit
    // being checked; the focus-lost handler must not start a second exchange
    // (and a second message box) from inside the first. Putting values into
    // the controls must not run the change handlers either.
    const bool wasExchanging = m_bExchanging;
    m_bExchanging = true;
    CDataExchange dx(m_controls, saveAndValidate);
    DoDataExchange(dx);
    m_bExchanging = wasExchanging;
    return !dx.Failed();
}

bool CWakeUpSettings::OnSuspendMinutesKillFocus() {
    if (m_bExchanging)
        return false;
    Exchange(true);
    if (auto key = OpenKey())
        key->SetDword(WAKEUP_SETTING_SUSPEND_TIME, static_cast<uint32_t>(m_nSuspendMinutes));
    return true;
}

void CWakeUpSettings::OnSuspendTextChange() {
    if (m_bExchanging)
        return;
    Exchange(true);
    if (auto key = OpenKey())
        key->SetString(WAKEUP_SETTING_SUSPEND_TEXT, SuspendText().c_str());
}

void CWakeUpSettings::OnHibernateClicked() {
    if (m_bExchanging)
        return;
    Exchange(true);
    if (auto key = OpenKey())
        key->SetDword(WAKEUP_SETTING_SUSPEND_HIBERNATE, m_bHibernate ? 1u : 0u);
}

WakeUpOptions CWakeUpSettings::Options() const {
    WakeUpOptions o;
    o.suspendMinutes = m_nSuspendMinutes;
    o.suspendText = m_strSuspendText;
    o.hibernate = m_bHibernate;
    o.countUserInput = m_bCountUserInput;
    o.marginMinutes = m_nSleepMarginMinutes;
    o.hostProgram = m_strHostProgram;
    o.keepAwakePrograms = m_strKeepAwakePrograms;
    o.networkBusyKBps = m_nNetworkBusyKBps;
    return o;
}

bool CWakeUpSettings::ExchangeOptions(IDialogControls& controls, bool saveAndValidate,
                                      WakeUpOptions& o) {
    // Stored texts are read into 256 bytes with their terminating zero.
    constexpr int kMaxText = kMaxSuspendTextChars;
    CDataExchange dx(controls, saveAndValidate);
    int hibernate = o.hibernate ? 1 : 0;
    int countInput = o.countUserInput ? 1 : 0;
    const bool passed =
        dx.Text(IDC_OPT_MINUTES, o.suspendMinutes) &&
        dx.MinMaxInt(IDC_OPT_MINUTES, o.suspendMinutes, 0, kMaxSuspendMinutes) &&
        dx.Text(IDC_OPT_TEXT, o.suspendText) &&
        dx.MaxChars(IDC_OPT_TEXT, o.suspendText, kMaxText) &&
        dx.Check(IDC_OPT_HIBERNATE, hibernate) && dx.Check(IDC_OPT_USER_INPUT, countInput) &&
        dx.Text(IDC_OPT_MARGIN, o.marginMinutes) &&
        dx.MinMaxInt(IDC_OPT_MARGIN, o.marginMinutes, 0,
                     static_cast<int>(kMaxSleepMarginMinutes)) &&
        dx.Text(IDC_OPT_HOST, o.hostProgram) &&
        dx.MaxChars(IDC_OPT_HOST, o.hostProgram, kMaxText) &&
        dx.Text(IDC_OPT_PROGRAMS, o.keepAwakePrograms) &&
        dx.MaxChars(IDC_OPT_PROGRAMS, o.keepAwakePrograms, kMaxText) &&
        dx.Text(IDC_OPT_NETWORK, o.networkBusyKBps) &&
        dx.MinMaxInt(IDC_OPT_NETWORK, o.networkBusyKBps, 0, static_cast<int>(kMaxNetworkBusyKBps));
    o.hibernate = hibernate != 0;
    o.countUserInput = countInput != 0;
    return passed;
}

OptionsChange CWakeUpSettings::UseOptions(const WakeUpOptions& o) {
    OptionsChange change;
    auto key = OpenKey();
    change.stored = key != nullptr;
    auto number = [&](bool changed, const char* name, uint32_t value) {
        change.any |= changed;
        if (changed && key && key->SetDword(name, value) != 0)
            change.stored = false;
    };
    auto text = [&](const std::string& was, const std::string& now, const char* name) {
        change.any |= was != now;
        if (was != now && key && key->SetString(name, now.c_str()) != 0)
            change.stored = false;
    };
    change.length = o.suspendMinutes != m_nSuspendMinutes;
    change.hibernate = o.hibernate != m_bHibernate;
    number(change.length, WAKEUP_SETTING_SUSPEND_TIME, static_cast<uint32_t>(o.suspendMinutes));
    text(m_strSuspendText, o.suspendText, WAKEUP_SETTING_SUSPEND_TEXT);
    number(change.hibernate, WAKEUP_SETTING_SUSPEND_HIBERNATE, o.hibernate ? 1u : 0u);
    number(o.countUserInput != m_bCountUserInput, WAKEUP_SETTING_COUNT_USER_INPUT,
           o.countUserInput ? 1u : 0u);
    number(o.marginMinutes != m_nSleepMarginMinutes, WAKEUP_SETTING_SLEEP_MARGIN_MINUTES,
           static_cast<uint32_t>(o.marginMinutes));
    text(m_strHostProgram, o.hostProgram, WAKEUP_SETTING_HOST_PROGRAM);
    text(m_strKeepAwakePrograms, o.keepAwakePrograms, WAKEUP_SETTING_KEEP_AWAKE_PROGRAMS);
    number(o.networkBusyKBps != m_nNetworkBusyKBps, WAKEUP_SETTING_NETWORK_BUSY_KBPS,
           static_cast<uint32_t>(o.networkBusyKBps));
    m_nSuspendMinutes = o.suspendMinutes;
    m_strSuspendText = o.suspendText;
    m_bHibernate = o.hibernate;
    m_bCountUserInput = o.countUserInput;
    m_nSleepMarginMinutes = o.marginMinutes;
    m_strHostProgram = o.hostProgram;
    m_strKeepAwakePrograms = o.keepAwakePrograms;
    m_nNetworkBusyKBps = o.networkBusyKBps;
    return change;
}
