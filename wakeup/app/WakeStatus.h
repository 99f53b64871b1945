#pragma once
// The line under the log, which the notification icon's tooltip repeats:
// when the next wake is, what stands against it, and what keeps the PC
// awake now. Only the dialog's thread writes it.
#include <string>

#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/Power.h"
#include "wakeup/power/WakeVerdict.h"

// "Next wake: <time>", or "No recording scheduled" when nothing is armed
// (empty target text).
std::string NextWakeText(const std::string& targetText);

// What keeps the PC awake: a recording, paused playback, or the wait for
// the recording it was woken for (its start as the log writes dates);
// empty when nothing does.
std::string KeepAwakeText(bool recording, bool paused, const std::string& awaitedStart);

// What the plan and the machine say about waking by a timer now.
WakeAbility ReadWakeAbility(IPower& power);

class CWakeStatus {
public:
    explicit CWakeStatus(IDialogControls& controls) : m_controls(controls) {}
    CWakeStatus(const CWakeStatus&) = delete;
    CWakeStatus& operator=(const CWakeStatus&) = delete;

    // targetText empty: nothing is armed. warning: ", but ...", or empty.
    void SetNextWake(const std::string& targetText, const std::string& warning);
    void SetKeepAwake(const std::string& reason);

private:
    void Show();

    IDialogControls& m_controls;
    std::string m_target;
    std::string m_warning;
    std::string m_keepAwake;
};
