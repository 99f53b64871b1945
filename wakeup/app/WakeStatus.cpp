#include "wakeup/app/WakeStatus.h"

std::string NextWakeText(const std::string& targetText) {
    return targetText.empty() ? "No recording scheduled" : "Next wake: " + targetText;
}

std::string KeepAwakeText(bool recording, bool paused, const std::string& awaitedStart) {
    if (recording)
        return "Recording: the PC stays awake";
    if (paused)
        return "Playback paused: the PC stays awake";
    if (!awaitedStart.empty())
        return "Waiting for the recording at " + awaitedStart;
    return std::string();
}

WakeAbility ReadWakeAbility(IPower& power) {
    WakeAbility ability;
    ability.settingRead = power.ReadWakeTimerSetting(ability.onMains, ability.onBattery);
    ability.capabilitiesRead = power.ReadSleepCapabilities(ability.capabilities);
    ability.hibernateAfterRead =
        power.ReadHibernateAfter(ability.hibernateAfterMains, ability.hibernateAfterBattery);
    return ability;
}

void CWakeStatus::SetNextWake(const std::string& targetText, const std::string& warning) {
    m_target = targetText;
    m_warning = warning;
    Show();
}

void CWakeStatus::SetKeepAwake(const std::string& reason) {
    if (reason == m_keepAwake)
        return;
    m_keepAwake = reason;
    Show();
}

void CWakeStatus::Show() {
    std::string text = NextWakeText(m_target);
    if (!m_target.empty())
        text += m_warning;
    // A second line: the control is two lines high, and the tooltip breaks
    // there too.
    if (!m_keepAwake.empty())
        text += "\n" + m_keepAwake;
    m_controls.ShowNextWake(text);
}
