#include "wakeup/power/WakeVerdict.h"

#include <cmath>

#include "wakeup/power/WakeTimerSetting.h"

namespace {
// Whole seconds from one moment to a later one, to the nearest; the
// moments lie within days of each other.
int32_t SecondsBetween(const CDateTime& from, const CDateTime& to) {
    return static_cast<int32_t>(std::lround((to - from).GetTotalDays() * 86400.0));
}

// Did the timer due at `due` wake the machine that resumed at `resumed`?
bool WokeByTimer(const CDateTime& due, const CDateTime& resumed, bool automatic) {
    const int32_t late = SecondsBetween(due, resumed);
    return late >= 0 && (late <= kWokeByTimerSeconds || (automatic && late <= kSlowResumeSeconds));
}

std::string Seconds(const CDateTime& from, const CDateTime& to) {
    return std::to_string(SecondsBetween(from, to));
}

std::string Minutes(const CDateTime& from, const CDateTime& to) {
    return std::to_string(SecondsBetween(from, to) / 60);
}

const char* SettingText(uint32_t value) {
    switch (value) {
    case WAKE_TIMERS_DISABLED:
        return "disabled";
    case WAKE_TIMERS_ENABLED:
        return "enabled";
    case WAKE_TIMERS_IMPORTANT_ONLY:
        return "important wake timers only";
    default:
        return "unknown";
    }
}

} // namespace

ResumeReport ReportResume(const ResumeFacts& facts, const IDateText& dateText) {
    ResumeReport report;
    report.lines.push_back(facts.automatic ? "The PC woke by itself"
                                           : "The PC was woken by the user");
    // A resume before the wake moment leaves the recording's timer armed
    // for it; one after it is reported, whoever woke the machine.
    if (IsSet(facts.recordingDue) && !(facts.resumedAt < facts.recordingDue)) {
        const std::string start = dateText.Format(facts.recordingStart);
        if (WokeByTimer(facts.recordingDue, facts.resumedAt, facts.automatic)) {
            report.lines.push_back("Woke for the recording at " + start + ", " +
                                   Seconds(facts.recordingDue, facts.resumedAt) +
                                   " s after the wake time");
        } else {
            report.lines.push_back("Missed the wake for the recording at " + start +
                                   ": the PC resumed at " + dateText.Format(facts.resumedAtLocal) +
                                   ", " + Minutes(facts.recordingDue, facts.resumedAt) +
                                   " min late");
            report.checks = true;
        }
    }
    if (IsSet(facts.testDue)) {
        report.testOver = true;
        if (facts.resumedAt < facts.testDue) {
            report.lines.push_back("Wake test cancelled: the PC resumed " +
                                   Seconds(facts.resumedAt, facts.testDue) +
                                   " s before the due time");
        } else if (WokeByTimer(facts.testDue, facts.resumedAt, facts.automatic)) {
            report.lines.push_back("Wake test passed: the PC woke by its timer " +
                                   Seconds(facts.testDue, facts.resumedAt) +
                                   " s after the due time");
        } else {
            report.lines.push_back(
                "Wake test failed: the PC did not wake by its timer (it resumed " +
                Minutes(facts.testDue, facts.resumedAt) + " min after the due time)");
            report.checks = true;
        }
    }
    return report;
}

std::string WakeTestRequestFailed(uint32_t error) {
    return "Wake test failed: the PC did not go to sleep (error " + std::to_string(error) + ")";
}

std::string WakeTestRefusal(bool recording, bool paused, bool awaitingRecording,
                            const std::string& recordingSoon, const std::string& sleepRefusal,
                            const std::string& otherHold) {
    const std::string prefix = "The wake test cannot run now: ";
    if (!sleepRefusal.empty())
        return prefix + sleepRefusal + ".";
    if (recording)
        return prefix + "a recording is running.";
    if (paused)
        return prefix + "playback is paused.";
    if (awaitingRecording)
        return prefix + "the PC was woken for a recording that is about to start.";
    if (!recordingSoon.empty())
        return prefix + "a recording starts at " + recordingSoon + ".";
    if (!otherHold.empty())
        return prefix + otherHold + ".";
    return std::string();
}

std::vector<std::string> WakeChecks(const WakeAbility& ability) {
    std::vector<std::string> lines;
    if (ability.settingRead)
        lines.push_back(std::string("Check: wake timers in the power plan: on mains power ") +
                        SettingText(ability.onMains) + ", on battery " +
                        SettingText(ability.onBattery));
    else
        lines.push_back("Check: the power plan's wake-timer setting could not be read");
    if (ability.capabilitiesRead) {
        const std::string states = TimerWakeableStates(ability.capabilities);
        lines.push_back("Check: sleep states a timer can wake this PC from: " +
                        (states.empty() ? std::string("none") : states));
        lines.push_back(ability.capabilities.modernStandby
                            ? "Check: this PC uses modern standby"
                            : "Check: this PC does not use modern standby");
    } else {
        lines.push_back("Check: the PC's sleep states could not be read");
    }
    if (ability.timerUnsupported)
        lines.push_back("Check: the system refused the wake option of the timer");
    return lines;
}

std::string WakeStatusWarning(const WakeAbility& ability) {
    if (ability.timerUnsupported)
        return ", but this PC cannot be woken by a timer";
    if (ability.settingRead && WakeTimersBlocked(ability.onMains))
        return ", but wake timers are off in the power plan";
    if (ability.settingRead && WakeTimersBlocked(ability.onBattery))
        return ", but wake timers are off in the power plan on battery";
    if (ability.capabilitiesRead && !SleepCapabilityWarning(ability.capabilities).empty())
        return ", but no sleep state of this PC can be woken by a timer";
    return std::string();
}
