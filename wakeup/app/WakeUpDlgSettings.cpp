// The settings of CWakeUpDlg in the host's registry key: read once at
// start-up, each written back as soon as the user changes its control.
#include <cstring>

#include "wakeup/app/WakeUpDlg.h"

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

std::unique_ptr<IRegistryKey> CWakeUpDlg::OpenSettingsKey() {
    return m_ports.registry.OpenCurrentUserKey(WAKEUP_SETTINGS_KEY);
}

void CWakeUpDlg::SetupProgress(bool withStep) {
    m_ctlProgress.SetRange(0, m_nSuspendMinutes);
    if (withStep)
        m_ctlProgress.SetStep(-1);
    m_ctlProgress.SetPos(m_nSuspendMinutes);
}

void CWakeUpDlg::LoadSettings() {
    auto key = OpenSettingsKey();
    if (!key)
        return;
    uint32_t number = 0;
    if (ReadNumber(*key, "PVRBufferBegin", number))
        m_nPvrBufferBegin = static_cast<int>(number);
    if (ReadNumber(*key, "SuspendTime", number)) {
        m_nSuspendMinutes = static_cast<int>(number);
        UpdateData(false);
        SetupProgress(true);
        StartSuspendCountdown();
    }
    std::string text;
    if (!ReadText(*key, "SuspendText", text))
        text = WAKEUP_DEFAULT_SUSPEND_TEXT;
    {
        // The countdown thread may already run.
        std::lock_guard<std::mutex> lock(m_textLock);
        m_strSuspendText = text;
    }
    m_bHibernate = ReadNumber(*key, "UseHibernate", number) && number != 0 ? 1 : 0;
    UpdateData(false);
}

void CWakeUpDlg::OnSuspendMinutesKillFocus() {
    if (m_bExchanging)
        return;
    UpdateData(true);
    SetupProgress(false);
    if (auto key = OpenSettingsKey())
        key->SetDword("SuspendTime", static_cast<uint32_t>(m_nSuspendMinutes));
}

void CWakeUpDlg::OnSuspendTextChange() {
    if (m_bExchanging)
        return;
    UpdateData(true);
    if (auto key = OpenSettingsKey())
        key->SetString("SuspendText", m_strSuspendText.c_str());
}

void CWakeUpDlg::OnHibernateClicked() {
    if (m_bExchanging)
        return;
    UpdateData(true);
    if (auto key = OpenSettingsKey())
        key->SetDword("SuspendHibernate", m_bHibernate ? 1u : 0u);
}
