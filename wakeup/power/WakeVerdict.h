#pragma once
// What the log says after a resume: how the machine woke, whether the wake
// timer woke it in time for the recording it was armed for, and the verdict
// of the wake test; and what keeps a wake from working, as lines to check
// and as the short reason beside the next wake.
#include <cstdint>
#include <string>
#include <vector>

#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/Power.h"

// A resume within this many seconds of a timer's due moment was the timer's
// doing, however it came about.
constexpr int32_t kWokeByTimerSeconds = 60;
// A resume that nobody started may come this late after its due moment:
// a resume from hibernation on a slow disk takes minutes.
constexpr int32_t kSlowResumeSeconds = 300;

// What was known at the suspend and at the resume after it. An unset due
// moment (the zero date) means no such timer was armed.
struct ResumeFacts {
    CDateTime resumedAt;
    // The same moment on the local clock, for the log.
    CDateTime resumedAtLocal;
    // No user input started the resume: only an automatic resume notice came.
    bool automatic = false;
    // The recording's wake timer: its due moment and the recording's start
    // (for the log).
    CDateTime recordingDue;
    CDateTime recordingStart;
    // The wake test's timer.
    CDateTime testDue;
};

struct ResumeReport {
    std::vector<std::string> lines;
    // A wake failed: the lines of WakeChecks follow.
    bool checks = false;
    // The wake test is over (passed, failed or cut short).
    bool testOver = false;
};

ResumeReport ReportResume(const ResumeFacts& facts, const IDateText& dateText);

// The wake test's sleep request failed with the system's error.
std::string WakeTestRequestFailed(uint32_t error);

// Why the wake test cannot run now; empty when it can. recordingSoon is the
// start of an armed recording due before the test would be over, as the log
// writes dates, or empty. sleepRefusal: why no program can send this PC to
// sleep, or empty. otherHold: what else holds the PC (another session's
// recording, another program), which the test's forced sleep would cut, or
// empty.
std::string WakeTestRefusal(bool recording, bool paused, bool awaitingRecording,
                            const std::string& recordingSoon, const std::string& sleepRefusal = {},
                            const std::string& otherHold = {});

// What the scheduler knows about the machine's ability to wake by a timer,
// as lines to check after a failed wake.
struct WakeAbility {
    bool settingRead = false;
    uint32_t onMains = WAKE_TIMERS_ENABLED;
    uint32_t onBattery = WAKE_TIMERS_ENABLED;
    bool capabilitiesRead = false;
    SleepCapabilities capabilities;
    // "Hibernate after", seconds of standby (0: never).
    bool hibernateAfterRead = false;
    uint32_t hibernateAfterMains = 0;
    uint32_t hibernateAfterBattery = 0;
    // A timer set with the resume option was refused that option.
    bool timerUnsupported = false;
};
std::vector<std::string> WakeChecks(const WakeAbility& ability);

// The reason the next wake will not work, to follow the wake time (", but
// ..."); empty when nothing stands against it.
std::string WakeStatusWarning(const WakeAbility& ability);
