#include "wakeup/app/NightRules.h"

#include "wakeup/power/WakeVerdict.h"

#include <cmath>

namespace {
const CDateTimeSpan kOneSecond(0, 0, 0, 1);
} // namespace

int64_t SecondsFrom(const CDateTime& from, const CDateTime& to) {
    return std::llround((to - from).GetTotalDays() * 86400.0);
}

bool NoProgramCanSleep(uint32_t error) {
    constexpr uint32_t kInvalidFunction = 1, kNotSupported = 50, kPrivilegeNotHeld = 1314;
    return error == kNotSupported || error == kInvalidFunction || error == kPrivilegeNotHeld;
}

std::string SleepRefusalText(const CNightState& night) {
    if (!night.sleepRefused)
        return std::string();
    return "cannot be sent to sleep by a program (error " + std::to_string(night.sleepRefused) +
           ")";
}

const char kStayAwakeHold[] = "the PC was asked to stay awake";

bool StayAwakeOver(const CNightState& night, const CDateTime& now) {
    return night.stayAwake && IsSet(night.stayAwakeUntil) &&
           SecondsFrom(night.stayAwakeUntil, now) >= 0;
}

NightHold HoldOf(const CNightState& night, int marginMinutes, const CDateTime& now) {
    NightHold hold;
    if (night.awaitingRecording) {
        hold.why = "a recording is about to start";
        hold.refusesQuery = true;
        hold.localStart = night.awaitedLocal;
    } else if (night.stayAwake && !StayAwakeOver(night, now)) {
        // Asked for, as a recording is: the system's sleep is refused too.
        hold.why = kStayAwakeHold;
        hold.refusesQuery = true;
    } else if (const NightWake* soon = RecordingWithin(night, marginMinutes, now)) {
        hold.why = "a recording starts at ";
        hold.dated = true;
        hold.localStart = soon->localStart;
    } else if (night.standBackHolds && night.stoodBackFor == night.armed.recordingStart &&
               SecondsFrom(now, night.stoodBackFor) > 0) {
        // The countdown stood back because the armed timer could not wake
        // the PC: Windows' own idle sleep must not undo that.
        hold.why = "the PC could not wake for the recording at ";
        hold.dated = true;
        hold.countdownDecidesAgain = true;
        hold.localStart = night.armed.localStart;
    }
    return hold;
}

CDateTime HoldEnd(const CNightState& night) {
    return night.awaitedStart + CDateTimeSpan(0, 0, kAwaitRecordingMinutes, 0);
}

bool HoldsAfterFiring(const CNightState& night, const CDateTime& start, const CDateTime& now) {
    // The same recording again: a wake armed anew after a sleep during the
    // hold, or one the host has reported already. Woken too late: the
    // recording has started and the wait would be over already.
    return start != night.awaitedStart && SecondsFrom(start, now) <= kAwaitRecordingMinutes * 60;
}

bool HoldRunOut(const CNightState& night, const CDateTime& now) {
    return night.awaitingRecording && SecondsFrom(HoldEnd(night), now) > 0;
}

CDateTime WakeMoment(const NightWake& wake) {
    return IsSet(wake.due) ? wake.due : wake.target - CDateTimeSpan(0, 0, 1, 0);
}

const NightWake* RecordingWithin(const CNightState& night, int minutes, const CDateTime& now) {
    if (minutes <= 0)
        return nullptr;
    // Within a recording's lead time its wake has passed and nothing is
    // armed for it, but its start is nearer than any margin.
    const NightWake& next = night.upcoming;
    if (IsSet(next.target) && SecondsFrom(now, next.target) <= 0 &&
        SecondsFrom(now, next.recordingStart) > 0)
        return &next;
    const NightWake& armed = night.armed;
    if (IsSet(armed.target) && SecondsFrom(now, WakeMoment(armed)) < int64_t{minutes} * 60 &&
        SecondsFrom(now, armed.recordingStart) > 0)
        return &armed;
    return nullptr;
}

CDateTime TargetToArm(const CNightState& night, const NightWake& found, const CDateTime& now) {
    CDateTime target = found.target;
    // Within the lead time of a recording that has not started, its wake
    // moment has passed and an awake machine arms nothing for it; one that
    // goes to sleep now must still be woken for the start itself.
    if (night.suspended && !(target > now) && found.recordingStart > now)
        target = found.recordingStart;
    if (!(target > now))
        return CDateTime();
    // Armed again it would fire a second time for the same recording.
    if (target == night.firedTarget && !night.suspended)
        return CDateTime();
    if (target == night.armed.target && !night.clockChanged)
        return CDateTime();
    // The armed timer is due and its thread has not told yet: a newer
    // arming now would take the timer over and its firing would be lost, and
    // with it the hold (a slow resume comes after the start). The news comes
    // first, then the rescan after the start arms the next.
    const int64_t sinceDue = SecondsFrom(night.armed.due, now);
    if (IsSet(night.armed.due) && sinceDue >= 0 && sinceDue <= kAwaitRecordingMinutes * 60 &&
        !night.clockChanged)
        return CDateTime();
    return target;
}

bool NextTick(const CNightState& night, int marginMinutes, const CDateTime& now, CDateTime& at) {
    bool any = false;
    const auto take = [&](const CDateTime& moment) {
        if (!any || moment < at)
            at = moment;
        any = true;
    };
    // Each rule acts once its moment has passed: a second after it.
    if (night.awaitingRecording)
        take(HoldEnd(night) + kOneSecond);
    if (IsSet(night.rescanAfter))
        take(night.rescanAfter + kOneSecond);
    if (night.resumePending)
        take(night.resumedAt + CDateTimeSpan(0, 0, 0, kResumeSettleSeconds));
    else if (IsSet(night.testDue) && !night.suspended)
        take(night.testDue + CDateTimeSpan(0, 0, 0, kSlowResumeSeconds) + kOneSecond);
    if (night.standBackHolds && SecondsFrom(now, night.stoodBackFor) > 0)
        take(night.stoodBackFor + kOneSecond);
    if (night.stayAwake && IsSet(night.stayAwakeUntil))
        take(night.stayAwakeUntil);
    // The margin's hold: it begins the margin before the armed timer is due
    // and ends at the recording's start.
    if (marginMinutes > 0) {
        if (const NightWake* held = RecordingWithin(night, marginMinutes, now))
            take(held->recordingStart + kOneSecond);
        else if (IsSet(night.armed.target)) {
            const CDateTime begins =
                WakeMoment(night.armed) - CDateTimeSpan(0, 0, marginMinutes, 0) + kOneSecond;
            if (now < begins)
                take(begins);
        }
    }
    return any;
}

bool TestGivenUp(const CNightState& night, const CDateTime& now) {
    // Asked to sleep, the PC stayed up past the due time and then some: the
    // request returned without a sleep, or something refused it.
    return IsSet(night.testDue) && !night.suspended && !night.resumePending &&
           SecondsFrom(night.testDue, now) > kSlowResumeSeconds;
}

bool ResumeReportDue(const CNightState& night, const CDateTime& now) {
    return night.resumePending && SecondsFrom(night.resumedAt, now) >= kResumeSettleSeconds;
}
