#pragma once
// The rules of the night: plain functions of the night's state and the
// time, with no ports, threads or locks. The parts on the dialog's thread
// ask them and carry out what they say.
#include <cstdint>
#include <string>

#include "wakeup/app/NightState.h"

// Whole seconds from one moment to the next: a moment is a fraction of a
// day, and a bound compared in days would fall either side of the second.
int64_t SecondsFrom(const CDateTime& from, const CDateTime& to);

// How long the machine is kept awake after a wake for a recording that the
// host does not report, counted from the recording's start.
constexpr int kAwaitRecordingMinutes = 10;
// The host begins a recording at its start less the lead time; a start it
// reports more than this before that moment is not the one woken for.
constexpr int kEarlyReportSeconds = 30;
// An automatic resume notice is taken as the machine's own when no user's
// resume notice follows within this time.
constexpr int kResumeSettleSeconds = 5;
// The wake test's timer is due this long after the test starts.
constexpr int kTestMinutes = 2;

// What the night holds the system required for, beyond the host's events,
// and why: a woken PC awaiting its recording, a wake due within the margin
// (or a lead time begun), a stand-back for a timer that could not wake the
// PC. The step makes of it the execution state, the mark other sessions
// see, the line under the log and the reason a sleep is refused.
struct NightHold {
    // Ends the refusal's line ("Suspend cancelled because <why>"), with
    // the recording's local start after it where dated; null: no hold.
    const char* why = nullptr;
    bool dated = false;
    // It refuses the system's query too, ahead of the host's use; otherwise
    // it only holds back the countdown, after the arming.
    bool refusesQuery = false;
    // The recording it holds for, local (unset: none).
    CDateTime localStart;
    // The countdown's own rule of that reason (ChooseWakeableSleep) decides
    // its sleep again at each expiry: the hold keeps only the system.
    bool countdownDecidesAgain = false;
};
NightHold HoldOf(const CNightState& night, int marginMinutes, const CDateTime& now);
// The reason of the hold that the user or a script asked for.
extern const char kStayAwakeHold[];
// The stay-awake request's time has come.
bool StayAwakeOver(const CNightState& night, const CDateTime& now);
// The hold ends once this has passed without the host's report.
CDateTime HoldEnd(const CNightState& night);
// Whether the wake fired for the recording at `start` holds the PC awake:
// not for the recording held or reported already, nor once its hold would
// be over.
bool HoldsAfterFiring(const CNightState& night, const CDateTime& start, const CDateTime& now);
// The hold has run out without the host's report.
bool HoldRunOut(const CNightState& night, const CDateTime& now);

// The moment the wake's timer is due: the armed due time, or a minute before
// the target until the arming has told it.
CDateTime WakeMoment(const NightWake& wake);

// The recording whose wake is less than `minutes` away (counted to the
// timer's due moment, a minute before the target: a sleep that begins just
// before that moment wakes nothing), or whose lead time has begun (nothing
// is armed for it then), and which has not started; null when none is, or
// the margin is 0.
const NightWake* RecordingWithin(const CNightState& night, int minutes, const CDateTime& now);

// What a scan that found `found` (its wake target and start) arms: the
// target, or the start itself for a sleep within the lead time; unset when
// it arms nothing new. A target that has fired is armed again only for a
// sleep, the armed one only after a change of the clock; nothing new while
// the armed timer is due and its firing not yet told.
CDateTime TargetToArm(const CNightState& night, const NightWake& found, const CDateTime& now);

// The next moment a rule needs the clock: the hold's end, the scan after a
// fired recording's start, the resume report, the wake test's verdict, and
// where the margin's hold begins and ends, the stand-back's hold's end;
// false when none waits.
bool NextTick(const CNightState& night, int marginMinutes, const CDateTime& now, CDateTime& at);
// The wake test has waited past its due time without the PC sleeping.
bool TestGivenUp(const CNightState& night, const CDateTime& now);
// The automatic resume's report is due.
bool ResumeReportDue(const CNightState& night, const CDateTime& now);

// Whether a refused sleep request means that no program can send this PC
// to sleep, whatever it asks: the request is not supported (modern standby,
// the state turned off in the firmware: ERROR_NOT_SUPPORTED, and
// ERROR_INVALID_FUNCTION where the system has no such state) or the
// shutdown privilege is not held (ERROR_PRIVILEGE_NOT_HELD).
bool NoProgramCanSleep(uint32_t error);
// Why no program can send this PC to sleep ("cannot be sent to sleep by a
// program (error N)"); empty until a request was refused.
std::string SleepRefusalText(const CNightState& night);
