#include "wakeup/app/NightStep.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "common/WakeupMessages.h"
#include "wakeup/app/NightRules.h"
#include "wakeup/app/WakeStatus.h"
#include "wakeup/power/HostCommand.h"
#include "wakeup/power/HostEvents.h"
#include "wakeup/power/NetworkTraffic.h"
#include "wakeup/power/SleepDecision.h"
#include "wakeup/power/SuspendCountdown.h"
#include "wakeup/power/WakeableSleep.h"
#include "wakeup/schedule/ScheduleScan.h"

namespace {
// One event's step: the state, what it reads and what it makes.
class Step {
public:
    Step(CNightState& night, const NightInputs& in) : m_night(night), m_in(in) {}

    NightEffects Take(const NightEvent& event) {
        SeeHost();
        On(event);
        Hold();
        return std::move(m_fx);
    }

private:
    void On(const NightEvent& e) {
        switch (e.kind) {
        case NightEvent::playerEvent:
            return OnPlayerEvent(e.code);
        case NightEvent::osdAction:
            Log("OSD action.");
            return Reset();
        case NightEvent::selectionChanged:
            Log("Selection changed to:" + std::to_string(e.code));
            return Reset();
        case NightEvent::scheduleChanged:
            // Whatever the change code: every change and the start of the
            // watch lead to a fresh scan.
            Log(WAKEUP_SCHEDULE_FILE " has changed.");
            m_fx.scan = true;
            return;
        case NightEvent::rescan:
            m_fx.scan = true;
            return;
        case NightEvent::querySuspend:
            return OnQuery(e.answered);
        case NightEvent::queryArmed:
            return OnQueryArmed(e.armed);
        case NightEvent::suspend:
            // The one notice before a sleep that the user or the system
            // starts (no query comes since Vista): the wake timer is armed
            // for the latest schedule before the machine goes down, as far
            // as the system's time for the notice allows.
            Log("Going to suspend");
            m_night.suspended = true;
            m_night.sleptAt = m_in.now;
            return ScanAndWait(NightEvent::suspendArmed, kSuspendArmingTimeoutMs);
        case NightEvent::suspendArmed:
            return OnSuspendArmed();
        case NightEvent::resumeSuspend:
            Log("Resume suspend");
            return OnResume(true);
        case NightEvent::resumeAutomatic:
            Log("Resume automatic");
            return OnResume(false);
        case NightEvent::sessionChange:
            return OnSessionChange(static_cast<uint32_t>(e.code));
        case NightEvent::clockChange:
            // The armed target is the same local moment, but its due time,
            // fixed in UTC when it was set, is not: it is armed anew.
            Log(IsSet(m_night.armed.target)
                    ? "The clock or the time zone has changed: the wake timer is set anew"
                    : "The clock or the time zone has changed");
            m_night.clockChanged = true;
            m_fx.scan = true;
            return;
        case NightEvent::sessionEnd:
            // The armed wake ends with the process, and the file gets every
            // line before it does.
            if (IsSet(m_night.armed.target))
                Log("The session ends: the wake for the recording at " +
                    Date(m_night.armed.localStart) + " ends with it");
            m_fx.flushMs = kSessionEndFlushMs;
            return;
        case NightEvent::scanned:
            return OnScanned(e);
        case NightEvent::armNotStarted:
            m_night.armed = NightWake();
            return;
        case NightEvent::hostProcess:
            return OnHostProcess(static_cast<uint32_t>(e.code));
        case NightEvent::hostEnded:
            return OnHostEnded(static_cast<uint32_t>(e.code));
        case NightEvent::hostLookup:
        case NightEvent::settingsChanged:
            // What holds the PC is looked at again after every event.
            return;
        case NightEvent::stayAwake:
            return OnStayAwake(e.code);
        case NightEvent::hostUnwatched:
            return Log("Unable to watch Orvisa's process: its end will not be noticed");
        case NightEvent::hostStarted:
            return Log("Started Orvisa for the recording at " + Date(m_night.hostMissingFor));
        case NightEvent::hostNotStarted:
            return Log("Unable to start Orvisa (" + m_in.hostProgram + ") for the recording at " +
                       Date(m_night.hostMissingFor));
        case NightEvent::timerSet:
        case NightEvent::timerRefused:
        case NightEvent::timerEnded:
            return OnTimerNews(e);
        case NightEvent::countdownMinute:
            return OnMinute(static_cast<uint32_t>(e.code));
        case NightEvent::quietMinutes:
            // Each of them only counted (QuietMinutes).
            if (e.code > 0) {
                m_night.minutesLeft = std::max(0, m_night.minutesLeft - e.code);
                m_fx.barPos = m_night.minutesLeft;
            }
            return;
        case NightEvent::countdownArmed:
            return OnCountdownArmed(e.armed);
        case NightEvent::sleepRequestDone:
            return OnSleepRequestDone(static_cast<uint32_t>(e.code), e.origin);
        case NightEvent::clockTick:
            return OnClockTick();
        case NightEvent::wakeTestArmed:
            return OnWakeTestArmed(e);
        case NightEvent::wakeTestFailed:
            for (const std::string& line : e.lines)
                Log(line);
            m_night.testDue = CDateTime();
            return;
        case NightEvent::hiddenButton:
            return RequestSleep(m_in.hibernate, SleepOrigin::button);
        case NightEvent::wakeTimersAllowed:
            return OnWakeTimersAllowed(static_cast<uint32_t>(e.code), e.armed);
        case NightEvent::hibernateChanged:
            // Another sleep, or the same again: the countdown tries anew.
            m_night.sleepRefused = 0;
            return Reset();
        case NightEvent::countdownLengthChanged:
            m_night.sleepRefused = 0;
            [[fallthrough]];
        case NightEvent::countdownStart:
            m_fx.barRange = true;
            m_fx.barStep = e.kind == NightEvent::countdownStart;
            m_fx.barMax = m_in.countdownMinutes;
            m_night.minutesLeft = m_in.countdownMinutes;
            m_fx.barPos = m_night.minutesLeft;
            return;
        }
    }

    void OnPlayerEvent(int32_t code) {
        // Positions 1 to 4 are the warning phase: the user was told that the
        // machine goes to sleep soon (and with no length stored the count
        // stays at 0, below it).
        if (m_night.minutesLeft < 5)
            CancelNotice();
        Reset();
        const PlayerEventReaction reaction = ReactToPlayerEvent(code);
        if (reaction.logLine)
            Log(reaction.logLine);
        CountRecordings(code);
        if (reaction.paused != FlagChange::keep)
            m_night.paused = reaction.paused == FlagChange::set;
        // The recording the machine was woken for has started (or one runs):
        // the recording itself keeps the machine awake from here on. A start
        // well before its lead time is another's (one the host takes up
        // again after a sleep), and the wait goes on.
        if (reaction.recording == FlagChange::set &&
            !(code == PLAYER_EVENT_RECORDING_STARTED &&
              SecondsFrom(m_in.now, m_night.awaitedLeadFrom) > kEarlyReportSeconds))
            m_night.awaitingRecording = false;
        if (reaction.executionState & ES_FLAG_CONTINUOUS) {
            m_night.eventState = reaction.executionState;
            m_forceState = true;
        } else {
            // Resets the idle timers once, as input does.
            m_resetOnce = reaction.executionState;
        }
    }

    // The recordings the host reports running: a start adds one, a stop
    // takes one away, "in progress" means one at least. A second start
    // while one runs counts only where the schedule explains it (a start
    // near now that no counted recording took yet): a host that reports a
    // start twice must not keep the PC awake for days.
    void CountRecordings(int32_t code) {
        int& count = m_night.recordings;
        std::vector<CDateTime>& counted = m_night.counted;
        std::vector<CDateTime>& stopped = m_night.stoppedLately;
        const CDateTimeSpan slack(0, 0, kStartedLatelyMinutes, 0);
        stopped.erase(
            std::remove_if(stopped.begin(), stopped.end(),
                           [&](const CDateTime& start) { return start + slack < m_in.now; }),
            stopped.end());
        if (code == PLAYER_EVENT_RECORDING_STARTED ||
            (code == PLAYER_EVENT_RECORDING_IN_PROGRESS && count == 0)) {
            const CDateTime start = UncountedStartNearNow();
            if (count == 0 || IsSet(start)) {
                ++count;
                counted.push_back(start);
            }
        } else if (code == PLAYER_EVENT_RECORDING_STOPPED && count > 0) {
            // The stop does not say which: the oldest ends first.
            --count;
            if (!counted.empty()) {
                if (IsSet(counted.front()))
                    stopped.push_back(counted.front());
                counted.erase(counted.begin());
            }
            if (count > 0)
                Log("Another recording is still running: the PC stays awake");
        }
        m_night.recording = count > 0;
    }

    // The earliest of the schedule's starts near now (the upcoming one from
    // its lead time on, the one woken for, those of the last quarter hour)
    // that has more recordings than were counted for it; unset when none.
    CDateTime UncountedStartNearNow() const {
        const CDateTimeSpan slack(0, 0, kStartedLatelyMinutes, 0);
        // Each start with the most recordings any of them gives it.
        std::vector<std::pair<CDateTime, std::ptrdiff_t>> slots;
        const auto add = [&slots](const CDateTime& start, std::ptrdiff_t then) {
            for (auto& slot : slots)
                if (slot.first == start) {
                    slot.second = std::max(slot.second, then);
                    return;
                }
            slots.emplace_back(start, then);
        };
        const NightWake& next = m_night.upcoming;
        if (IsSet(next.target) && !(m_in.now < next.target - slack) &&
            !(next.recordingStart + slack < m_in.now))
            add(next.recordingStart, next.then);
        if (m_night.awaitingRecording)
            add(m_night.awaitedStart, m_night.awaitedThen);
        const std::vector<CDateTime>& lately = m_night.startedLately;
        for (const CDateTime& start : lately)
            if (!(start + slack < m_in.now))
                add(start, std::count(lately.begin(), lately.end(), start));
        // A slot is taken by a recording counted for it, or stopped.
        const auto taken = [this](const CDateTime& start) {
            const auto& counted = m_night.counted;
            const auto& stopped = m_night.stoppedLately;
            return std::count(counted.begin(), counted.end(), start) +
                   std::count(stopped.begin(), stopped.end(), start);
        };
        CDateTime earliest;
        for (const auto& slot : slots)
            if (taken(slot.first) < slot.second && (!IsSet(earliest) || slot.first < earliest))
                earliest = slot.first;
        return earliest;
    }

    void OnHostProcess(uint32_t process) {
        m_night.hostMissingFor = CDateTime();
        if (process == 0 || process == m_night.hostProcess)
            return;
        m_night.hostProcess = process;
        m_fx.watchHost = process;
    }

    // The host found by its record, which may have said nothing to this
    // scheduler yet: watched as if it had. What it records or pauses while
    // no scheduler listened (this one started anew) holds the PC from now.
    void SeeHost() {
        const HostSeen& seen = m_in.host;
        if (!seen.process || seen.process == m_night.hostProcess)
            return;
        OnHostProcess(seen.process);
        if (m_in.hostTelling)
            return;
        if (seen.recordings > 0 && m_night.recordings == 0) {
            m_night.recordings = seen.recordings;
            m_night.counted.assign(static_cast<size_t>(seen.recordings), CDateTime());
            m_night.recording = true;
            Log("Orvisa is recording: the PC stays awake");
        }
        if (seen.paused && !m_night.paused) {
            m_night.paused = true;
            Log("Orvisa's playback is paused: the PC stays awake");
        }
    }

    // The host has ended, however: a crash sends no stop.
    void OnHostEnded(uint32_t process) {
        if (process != m_night.hostProcess)
            return;
        m_night.hostProcess = 0;
        if (!m_night.recording && !m_night.paused)
            return Log("Orvisa has ended");
        Log("The host has ended: its recording and pause no longer keep the PC awake");
        m_night.recordings = 0;
        m_night.recording = m_night.paused = false;
        m_night.counted.clear();
        m_night.eventState = ES_FLAG_CONTINUOUS;
        Reset();
    }

    void OnQuery(bool answered) {
        m_night.resetsAtAsk = m_night.resets;
        const SleepDecision decision = DecideSleep(
            SleepAsker::suspendQuery, SleepStateNow(m_night, m_in, m_night.resets, true));
        Log(decision.logLine);
        if (!decision.sleep)
            m_fx.denyQuery = true;
        else if (!answered)
            // The wake timer armed for the latest schedule before the
            // machine sleeps: the answer waits until it is set, and is
            // decided again from the state after the wait.
            ScanAndWait(NightEvent::queryArmed, kArmingTimeoutMs);
    }

    void OnQueryArmed(bool armed) {
        const SleepDecision decision = DecideSleep(
            SleepAsker::suspendQuery, SleepStateNow(m_night, m_in, m_night.resetsAtAsk, armed));
        if (decision.sleep)
            return;
        Log(decision.logLine);
        m_fx.denyQuery = true;
    }

    void OnSuspendArmed() {
        // A resume not yet reported ends with this sleep: nobody was there.
        if (m_night.resumePending)
            Report(true);
        m_night.sleptWith = m_night.armed;
        // A wake whose timer was not set yet falls back on its target.
        if (!IsSet(m_night.sleptWith.due))
            m_night.sleptWith.due = m_night.sleptWith.target;
        m_night.testAtSleep = IsSet(m_night.testDue);
        m_fx.flushMs = kSuspendLogFlushMs;
    }

    void OnResume(bool userNotice) {
        // The report learns of the resume while the night still counts as
        // asleep; then the night is awake, before its scan, so that the scan
        // arms nothing for a sleep that is over.
        const bool wasAsleep = m_night.suspended;
        if (wasAsleep) {
            m_night.resumedAt = m_in.now;
            m_night.resumedAtLocal = m_in.nowLocal;
            m_night.resumePending = true;
        }
        // The user's notice follows the automatic one at once when input
        // started the resume; without it the report waits for the settle
        // time.
        if (m_night.resumePending && userNotice)
            Report(false);
        if (!wasAsleep) {
            // The user comes minutes after the automatic resume (Windows
            // tells at the first input): the countdown starts from full,
            // also where keyboard and mouse are not counted.
            if (userNotice && std::exchange(m_night.userAwaited, false)) {
                if (m_night.warned)
                    CancelNotice();
                Reset();
            }
            return;
        }
        m_night.userAwaited = !userNotice;
        m_night.suspended = false;
        Reset();
        // A schedule written, or a change notice lost, while it slept.
        m_fx.scan = true;
    }

    void Report(bool automatic) {
        m_night.resumePending = false;
        ResumeFacts facts;
        facts.resumedAt = m_night.resumedAt;
        facts.resumedAtLocal = m_night.resumedAtLocal;
        facts.automatic = automatic;
        facts.recordingDue = m_night.sleptWith.due;
        facts.recordingStart = m_night.sleptWith.localStart;
        if (m_night.testAtSleep && IsSet(m_night.testDue))
            facts.testDue = m_night.testDue;
        const ResumeReport report = ReportResume(facts, m_in.dateText);
        for (const std::string& line : report.lines)
            Log(line);
        if (report.checks)
            for (const std::string& line : WakeChecks(m_in.ability))
                Log(line);
        if (report.testOver)
            EndTest();
    }

    void OnWakeTimersAllowed(uint32_t error, bool asked) {
        if (error)
            return Log("Unable to allow wake timers in the active power plan: error " +
                       std::to_string(error));
        if (asked)
            return Log("Asked Windows to allow wake timers in the active power plan, as an "
                       "administrator: the next wake timer shows whether they are allowed");
        Log("Wake timers allowed in the active power plan, on mains power and on battery");
        m_night.standBackHolds = false;
        // The armed wake no longer stands against the plan.
        if (IsSet(m_night.armed.target))
            NextWake(m_night.armedText, "");
    }

    void OnStayAwake(int32_t minutes) {
        if (minutes < 0) {
            if (m_night.stayAwake)
                Log("Sleep allowed again, as asked");
            return EndStayAwake();
        }
        // A week at the most: longer is "until sleep is allowed".
        constexpr int32_t kMostMinutes = 7 * 24 * 60;
        m_night.stayAwake = true;
        m_night.stayAwakeUntil = m_night.stayAwakeUntilLocal = CDateTime();
        if (minutes > 0 && minutes <= kMostMinutes) {
            m_night.stayAwakeUntil = m_in.now + CDateTimeSpan(0, 0, minutes, 0);
            m_night.stayAwakeUntilLocal = m_in.nowLocal + CDateTimeSpan(0, 0, minutes, 0);
        }
        Log(StayAwakeText() + ", as asked");
    }

    void EndStayAwake() {
        m_night.stayAwake = false;
        m_night.stayAwakeUntil = m_night.stayAwakeUntilLocal = CDateTime();
    }

    std::string StayAwakeText() const {
        return IsSet(m_night.stayAwakeUntilLocal)
                   ? "Staying awake until " + Date(m_night.stayAwakeUntilLocal)
                   : std::string("Staying awake until sleep is allowed");
    }

    void OnSessionChange(uint32_t event) {
        const bool away = !AtConsoleAfterSessionEvent(event, !m_night.awayFromConsole);
        if (away == m_night.awayFromConsole)
            return;
        m_night.awayFromConsole = away;
        if (away) {
            Log("Auto-suspend paused: this session is not at the console");
        } else {
            Log("Auto-suspend resumed: this session is at the console again");
            Reset();
        }
    }

    void OnScanned(const NightEvent& e) {
        if (!e.read)
            return;
        for (const std::string& line : e.lines)
            Log(line);
        m_night.startedLately = e.startedLately;
        if (!e.found) {
            m_night.upcoming = NightWake();
            Log("No new schedule found");
            // An earlier arming stays in force, and the line with it.
            if (!IsSet(m_night.armed.target))
                NextWake("", "");
            return;
        }
        // A start that cannot be converted cannot be armed.
        if (!IsSet(e.startUtc)) {
            m_night.upcoming = NightWake();
            Log("Unable to set timer to: " + Date(e.localTarget));
            return;
        }
        // The lead time taken off in UTC.
        const NightWake found{e.startUtc - (e.localStart - e.localTarget),
                              e.startUtc,
                              CDateTime(),
                              e.localStart,
                              e.code > 1 ? e.code : 1,
                              e.channel};
        m_night.upcoming = found;
        const CDateTime target = TargetToArm(m_night, found, m_in.now);
        // Awake within its lead time nothing is armed for it, and no timer
        // fires for it: the scan after its start arms the next recording,
        // which the hold for a timer that cannot wake the PC needs.
        if (!IsSet(target) && !m_night.suspended && !(m_in.now < found.target) &&
            m_in.now < found.recordingStart && !IsSet(m_night.rescanAfter))
            m_night.rescanAfter = found.recordingStart;
        if (!IsSet(target))
            return;
        m_night.clockChanged = false;
        m_night.armed = {target,           found.recordingStart, CDateTime(),
                         found.localStart, found.then,           found.channel};
        m_fx.armNew = true;
        m_fx.arm = m_night.armed;
        // The thread sets the timer by the local moment, as the schedule has it.
        m_fx.armLocalTarget = target == found.target ? e.localTarget : e.localStart;
    }

    void OnTimerNews(const NightEvent& e) {
        for (const std::string& line : e.lines)
            Log(line);
        NightWake& armed = m_night.armed;
        // A thread's news counts only while its wake is the armed one; an
        // older thread's is history.
        const bool current = IsSet(armed.target) && armed.target == e.wake.target;
        if (e.kind == NightEvent::timerSet) {
            if (current) {
                armed.due = e.wake.due;
                m_night.armedText = e.targetText;
                NextWake(e.targetText, e.warning);
            }
            if (e.resumeUnsupported)
                TimerUnsupported();
            return;
        }
        if (e.kind == NightEvent::timerRefused) {
            // Nothing is armed: the next scan tries again.
            if (current) {
                armed = NightWake();
                NextWake("", "");
            }
            return;
        }
        m_fx.clearHiddenEdit = true;
        if (e.newest && (current || !IsSet(armed.target)))
            NextWake("", "");
        if (!e.fired)
            return;
        // No longer armed, unless a scan has armed another wake since; once
        // the recording's start has passed the schedule is scanned again,
        // so that the next recording is armed without a change of the file.
        if (current)
            armed = NightWake();
        m_night.rescanAfter = e.wake.recordingStart;
        m_night.firedTarget = e.wake.target;
        if (!HoldsAfterFiring(m_night, e.wake.recordingStart, m_in.now))
            return;
        // A PC woken by a timer with nobody at it sleeps again within
        // minutes unless a program asks for the system; the host may report
        // the recording later than that.
        m_night.awaitedStart = e.wake.recordingStart;
        // Its lead time begins at its wake target, unless armed for the
        // start itself for a sleep within it: the scan's target then.
        const NightWake& found = m_night.upcoming;
        m_night.awaitedLeadFrom =
            found.recordingStart == e.wake.recordingStart && found.target < e.wake.target
                ? found.target
                : e.wake.target;
        m_night.awaitedLocal = e.wake.localStart;
        m_night.awaitedThen = e.wake.then;
        m_night.awaitedChannel = e.wake.channel;
        m_night.awaitingRecording = true;
        const std::string start = Date(e.wake.localStart);
        const bool woke = WokeBy(e.wake);
        Log((woke ? "Woke for the recording at " : "The wake for the recording at ") + start +
            (woke ? ": keeping the PC awake until it starts"
                  : " is due: keeping the PC awake until it starts"));
        if (m_night.hostProcess)
            return;
        // No host seen alive: nothing will record unless it is started.
        m_night.hostMissingFor = e.wake.localStart;
        Log((woke ? "Woke for the recording at " : "The wake for the recording at ") + start +
            (woke ? "" : " is due") + ", but Orvisa is not running: nothing will record it");
        m_fx.startHost = !m_in.hostProgram.empty();
    }

    // Whether the wake's timer ended a sleep: the PC sleeps still, or its
    // last sleep went down with this wake armed and ended by its due moment
    // (a wake armed after the resume, due moments later, woke nothing).
    bool WokeBy(const NightWake& wake) const {
        const CDateTime due = IsSet(wake.due) ? wake.due : wake.target;
        return m_night.suspended ||
               (IsSet(m_night.sleptAt) && m_night.sleptAt < due &&
                m_night.sleptWith.target == wake.target && IsSet(m_night.resumedAt) &&
                SecondsFrom(due, m_night.resumedAt) >= -kWokeByTimerSeconds);
    }

    // A timer was set with the resume option, which the machine cannot
    // honour. Logged once per run, with what to check.
    void TimerUnsupported() {
        if (m_night.toldUnsupported)
            return;
        m_night.toldUnsupported = true;
        Log("This PC cannot be woken by a timer: the system does not support it");
        WakeAbility ability = m_in.ability;
        ability.timerUnsupported = true;
        for (const std::string& line : WakeChecks(ability))
            Log(line);
    }

    void OnMinute(uint32_t timerError) {
        HoldAgainstIdleSleep();
        // A program of the list keeps Windows' own idle sleep off too: its
        // idle timer reset once a minute, as input would.
        m_night.busyProgram = m_in.busyProgram;
        if (!m_night.busyProgram.empty())
            m_resetOnce |= ES_FLAG_SYSTEM_REQUIRED;
        if (NetworkBusy())
            return;
        if (m_night.sleepRefused)
            return;
        if (timerError && !m_night.tickerFailing)
            // Not the wake timer's line: this one only paces the count.
            Log("Unable to create the auto-suspend timer: " + std::to_string(timerError));
        m_night.tickerFailing = timerError != 0;

        CountdownInputs inputs;
        inputs.recording = m_night.recording;
        inputs.paused = m_night.paused;
        inputs.awayFromConsole = m_night.awayFromConsole;
        inputs.lengthMinutes = m_in.countdownMinutes;
        inputs.userInput = m_in.countUserInput && m_in.userInput;
        switch (PhaseBeforeStep(inputs)) {
        case CountdownPhase::standsStill:
            return;
        case CountdownPhase::userActive:
            // The user was told the machine goes to sleep: tell them it
            // does not.
            if (IsWarningPosition(m_night.minutesLeft))
                CancelNotice();
            return Reset();
        default:
            break;
        }
        const int left = m_night.minutesLeft > 0 ? m_night.minutesLeft - 1 : 0;
        const CountdownPhase phase = PhaseAfterStep(left);
        m_night.minutesLeft = phase == CountdownPhase::expired ? m_in.countdownMinutes : left;
        m_fx.barPos = m_night.minutesLeft;
        if (phase == CountdownPhase::warning && !WillStandBack(left)) {
            m_fx.hostCommands.push_back(SuspendWarningArguments(m_in.suspendText, left));
            m_night.warned = true;
        }
        if (phase != CountdownPhase::expired)
            return;
        Log("Force suspend because timeout has expired");
        // Systems since Vista do not ask the dialog before they sleep, so the
        // query's rule is applied here as well, from the state after the
        // wait for the wake timer.
        m_night.resetsAtAsk = m_night.resets;
        ScanAndWait(NightEvent::countdownArmed, kArmingTimeoutMs);
    }

    void OnCountdownArmed(bool armed) {
        // The request would sleep over whatever keeps the machine awake,
        // another user's recording too.
        SleepState state = SleepStateNow(m_night, m_in, m_night.resetsAtAsk, armed);
        state.otherSessionRecording = m_in.otherSessionRecording;
        state.otherProgramAwake = m_in.otherProgramAwake;
        const SleepDecision decision = DecideSleep(SleepAsker::countdown, state);
        if (!decision.logLine.empty())
            Log(decision.logLine);
        bool hibernate = decision.sleep && Hibernates(m_in.hibernate);
        const bool sleep = decision.sleep && WakeableSleepNow(hibernate);
        if (!sleep && m_night.warned)
            // The host's screen said that the PC goes to sleep: it does not.
            CancelNotice();
        m_night.warned = false;
        if (sleep)
            RequestSleep(hibernate, SleepOrigin::countdown);
    }

    // Whether this sleep leaves the armed recording's timer able to wake the
    // PC, and which sleep it is.
    bool WakeableSleepNow(bool& hibernate) {
        if (!IsSet(m_night.armed.target))
            return true;
        const WakeableSleepInputs in = WakeableInputs(hibernate);
        const WakeableSleep choice = ChooseWakeableSleep(in);
        const CDateTime& start = m_night.armed.recordingStart;
        const bool saidAlready = choice.standsBack && m_night.stoodBackFor == start;
        if (!saidAlready && !choice.logLine.empty())
            Log(choice.logLine);
        m_night.stoodBackFor = choice.standsBack ? start : CDateTime();
        m_night.standBackHolds = choice.holds;
        hibernate = choice.hibernate;
        return choice.sleep;
    }

    // The system's own idle sleep is a standby, which may come before the
    // countdown runs out, or with no countdown at all: where the armed
    // recording's timer could not end it, the system is held from the
    // moment the countdown would stand back for it, and let go of when the
    // timer could (the PC plugged in, the plan changed).
    void HoldAgainstIdleSleep() {
        if (!IsSet(m_night.armed.target) || !ReadsWakeAbility(m_night, m_in.now))
            return;
        const CDateTime& start = m_night.armed.recordingStart;
        const WakeableSleep choice = ChooseWakeableSleep(WakeableInputs(false));
        if (choice.standsBack && choice.holds) {
            if (m_night.stoodBackFor != start)
                Log("Keeping the PC awake for the recording at " + Date(m_night.armed.localStart) +
                    ": " + choice.reason);
            m_night.stoodBackFor = start;
            m_night.standBackHolds = true;
        } else if (!choice.standsBack && m_night.stoodBackFor == start) {
            m_night.standBackHolds = false;
        }
    }

    // Traffic above the threshold over the last minute is activity: the
    // countdown from full and Windows' idle timer reset, with one line for
    // each busy spell. True when it was.
    bool NetworkBusy() {
        uint64_t rate = 0;
        const bool measured = m_in.networkRead && IsSet(m_night.networkReadAt) &&
                              TrafficRate(m_night.networkBytes, m_in.networkBytes,
                                          SecondsFrom(m_night.networkReadAt, m_in.now), rate);
        m_night.networkBytes = m_in.networkRead ? m_in.networkBytes : 0;
        m_night.networkReadAt = m_in.networkRead ? m_in.now : CDateTime();
        const bool busy = measured && rate > uint64_t(m_in.networkBusyKBps) * 1024;
        if (busy && !m_night.networkBusy)
            Log("The network is busy (" + TrafficText(rate) + "): auto-suspend starts again");
        m_night.networkBusy = busy;
        if (!busy)
            return false;
        if (IsWarningPosition(m_night.minutesLeft))
            CancelNotice();
        m_resetOnce |= ES_FLAG_SYSTEM_REQUIRED;
        Reset();
        return true;
    }

    // The sleep's inputs, minutesAhead from now.
    WakeableSleepInputs WakeableInputs(bool hibernate, int minutesAhead = 0) const {
        const NightWake& armed = m_night.armed;
        WakeableSleepInputs in;
        in.hibernate = hibernate;
        in.recordingStart = Date(armed.localStart);
        in.minutesToStart = SecondsFrom(m_in.now, armed.recordingStart) / 60 - minutesAhead;
        in.ability = m_in.ability;
        in.onBattery = m_in.onBattery;
        return in;
    }

    // The countdown will stand back for the armed wake when it runs out in
    // `left` minutes: warning of a sleep that does not come would only end
    // in the cancel notice.
    bool WillStandBack(int left) const {
        // A program of the list that runs now is taken to run then.
        if (!m_night.busyProgram.empty())
            return true;
        const CDateTime expiry = m_in.now + CDateTimeSpan(0, 0, left, 0);
        if (m_night.stayAwake &&
            (!IsSet(m_night.stayAwakeUntil) || expiry < m_night.stayAwakeUntil))
            return true;
        if (!IsSet(m_night.armed.target))
            return false;
        // Its wake within the margin then, or one its timer could not make.
        if (RecordingWithin(m_night, m_in.marginMinutes, expiry))
            return true;
        return ChooseWakeableSleep(
                   WakeableInputs(m_in.hibernate && CanHibernate(m_in.hibernate), left))
            .standsBack;
    }

    void OnSleepRequestDone(uint32_t error, SleepOrigin origin) {
        const bool noThread = error == NightEvent::kNoThread;
        if (origin == SleepOrigin::wakeTest) {
            // 0: the PC slept and resumed, and the resume's report judges
            // the test.
            if (error && IsSet(m_night.testDue)) {
                Log(WakeTestRequestFailed(noThread ? 0 : error));
                EndTest();
            }
            return;
        }
        if (noThread) {
            Log("Suspend failed: no thread for the request");
        } else if (NoProgramCanSleep(error) && !m_night.sleepRefused) {
            // A PC that no program can send to sleep (modern standby, S3
            // turned off in the firmware) refuses every time: the countdown
            // stops until a setting changes.
            m_night.sleepRefused = error;
            Log("This PC " + SleepRefusalText(m_night) + ": the countdown stops");
        } else if (error) {
            // Any other refusal: the count stays at full and goes on.
            Log("Suspend failed: error " + std::to_string(error));
        }
    }

    void OnClockTick() {
        if (HoldRunOut(m_night, m_in.now)) {
            // Two recordings whose starts the host reported as one: the
            // running one holds the PC.
            Log("The recording at " + Date(m_night.awaitedLocal) +
                (m_night.recording ? " was not reported: a recording is running, which keeps the "
                                     "PC awake"
                                   : " has not started: the PC may sleep again"));
            m_night.awaitingRecording = false;
            m_night.hostMissingFor = CDateTime();
        }
        // Until the fired recording has started, every scan finds it again;
        // from then on the next one is found and armed.
        // A whole second past it: at the start itself the scan would find
        // the same recording again, and arm nothing after it.
        if (IsSet(m_night.rescanAfter) && SecondsFrom(m_night.rescanAfter, m_in.now) >= 1) {
            m_night.rescanAfter = CDateTime();
            m_fx.scan = true;
        }
        if (StayAwakeOver(m_night, m_in.now)) {
            Log("The stay-awake request has ended: the PC may sleep again");
            EndStayAwake();
        }
        if (ResumeReportDue(m_night, m_in.now))
            Report(true);
        if (TestGivenUp(m_night, m_in.now)) {
            Log("Wake test failed: the PC did not go to sleep");
            EndTest();
        }
    }

    void OnWakeTestArmed(const NightEvent& e) {
        // What came since the user's confirmation (a recording, a wake
        // that fired) refuses it as it would have before the box.
        const std::string refusal = WakeTestRefusalNow(m_night, m_in);
        if (!refusal.empty()) {
            Log(refusal);
            return EndTest();
        }
        m_night.testDue = e.wake.due;
        Log("Wake test: the PC goes to sleep now and wakes by its timer at " +
            Date(m_in.nowLocal + CDateTimeSpan(0, 0, kTestMinutes, 0)));
        if (e.resumeUnsupported)
            TimerUnsupported();
        // As the countdown asks.
        RequestSleep(m_in.hibernate, SleepOrigin::wakeTest);
    }

    // What holds the PC after every event: the execution state, the mark
    // other sessions see and the second line under the log.
    void Hold() {
        const NightHold hold = HoldOf(m_night, m_in.marginMinutes, m_in.now);
        const uint32_t wanted = WantedExecutionState(m_night.eventState, m_night.recording,
                                                     m_night.paused, hold.why != nullptr);
        const std::string reason = HoldReason(hold);
        if (m_forceState || wanted != m_night.appliedState || reason != m_night.appliedReason) {
            m_fx.executionState = wanted;
            m_fx.holdReason = reason;
            m_night.appliedState = wanted;
            m_night.appliedReason = reason;
        } else if (m_resetOnce) {
            m_fx.executionState = m_resetOnce;
        }
        m_fx.mark = m_night.recording || hold.why != nullptr;
        const CDateTime& held = hold.localStart;
        m_fx.keepAwake =
            KeepAwakeText(m_night.recording, m_night.paused, IsSet(held) ? Date(held) : "");
        if (hold.why == kStayAwakeHold && !m_night.recording && !m_night.paused)
            m_fx.keepAwake = StayAwakeText();
        if (IsSet(m_night.hostMissingFor))
            m_fx.keepAwake = "Orvisa is not running: nothing will record the recording at " +
                             Date(m_night.hostMissingFor);
    }

    // Why the PC is held, as Windows' tools show it ("powercfg /requests"):
    // what holds it first, with the recording's channel and start.
    std::string HoldReason(const NightHold& hold) const {
        if (m_night.recording) {
            // The recording counted first, where the schedule names it.
            const CDateTime start = m_night.counted.empty() ? CDateTime() : m_night.counted.front();
            const NightWake& next = m_night.upcoming;
            if (IsSet(start) && start == m_night.awaitedStart)
                return "Recording " + OnChannel(m_night.awaitedChannel) + "from " +
                       Date(m_night.awaitedLocal);
            if (IsSet(start) && start == next.recordingStart)
                return "Recording " + OnChannel(next.channel) + "from " + Date(next.localStart);
            return "Orvisa is recording";
        }
        if (m_night.paused)
            return "Orvisa's playback is paused";
        if (!hold.why)
            return std::string();
        if (hold.why == kStayAwakeHold)
            return "Asked to stay awake" +
                   StayAwakeText().substr(std::string("Staying awake").size());
        const NightWake* wake = RecordingWithin(m_night, m_in.marginMinutes, m_in.now);
        const std::string channel = m_night.awaitingRecording ? m_night.awaitedChannel
                                    : wake                    ? wake->channel
                                                              : m_night.armed.channel;
        const std::string recording =
            "the recording " + OnChannel(channel) + "at " + Date(hold.localStart);
        if (m_night.awaitingRecording)
            return "Woken for " + recording;
        if (wake)
            return "Waking soon for " + recording;
        return "The PC could not wake for " + recording;
    }

    static std::string OnChannel(const std::string& channel) {
        return channel.empty() ? std::string() : "on " + channel + " ";
    }

    void Reset() {
        ++m_night.resets;
        m_night.minutesLeft = m_in.countdownMinutes;
        m_night.warned = false;
        m_fx.barPos = m_night.minutesLeft;
    }

    void CancelNotice() { m_fx.hostCommands.push_back(HOST_CANCEL_NOTICE_ARGUMENTS); }

    void EndTest() {
        m_night.testDue = CDateTime();
        m_fx.endTestTimer = true;
    }

    void RequestSleep(bool hibernate, SleepOrigin origin) {
        m_fx.requestSleep = true;
        m_fx.hibernate = Hibernates(hibernate);
        m_fx.sleepOrigin = origin;
    }

    // Whether the hibernation asked for can happen (unread: it may).
    bool CanHibernate(bool asked) const {
        const WakeAbility& ability = m_in.ability;
        return !asked || !ability.capabilitiesRead || HibernationPossible(ability.capabilities);
    }

    // Hibernation where asked for and the PC can: where it is turned off, or
    // its file is missing, the request would fail; a standby instead, said
    // once.
    bool Hibernates(bool asked) {
        if (CanHibernate(asked))
            return asked;
        if (!m_night.toldNoHibernation)
            Log("Suspending instead of hibernating: hibernation is turned off on this PC");
        m_night.toldNoHibernation = true;
        return false;
    }

    void ScanAndWait(NightEvent::Kind then, uint32_t ms) {
        m_fx.scan = true;
        m_fx.waitThen = then;
        m_fx.waitMs = ms;
    }

    void NextWake(const std::string& target, const std::string& warning) {
        m_fx.nextWakeChanged = true;
        m_fx.nextWake = target;
        m_fx.wakeWarning = warning;
    }

    void Log(const std::string& line) { m_fx.log.push_back(line); }
    std::string Date(const CDateTime& when) const { return m_in.dateText.Format(when); }

    CNightState& m_night;
    const NightInputs& m_in;
    NightEffects m_fx;
    bool m_forceState = false;
    uint32_t m_resetOnce = 0;
};
} // namespace

NightEffects NightStep(CNightState& night, const NightEvent& event, const NightInputs& in) {
    return Step(night, in).Take(event);
}

namespace {
// Whether the countdown's minute, stepped at minutesAhead from in.now,
// would change nothing but the count.
bool OnlyCounts(const CNightState& night, const NightInputs& in, const NightEffects& shown,
                int minutesAhead) {
    NightInputs at(in);
    const CDateTimeSpan ahead(0, 0, 0, 60 * minutesAhead);
    at.now = in.now + ahead;
    at.nowLocal = in.nowLocal + ahead;
    if (NeedsWakeAbility(night, NightEvent::countdownMinute, at.now))
        return false;
    CNightState after = night;
    NightEffects fx = NightStep(after, NightEvent(NightEvent::countdownMinute), at);
    CNightState expected = night;
    expected.minutesLeft = night.minutesLeft - 1;
    NightEffects expectedFx;
    expectedFx.mark = shown.mark;
    expectedFx.keepAwake = shown.keepAwake;
    expectedFx.barPos = expected.minutesLeft;
    fx.holdReason.clear(); // read only with a state to hold
    return after == expected && fx == expectedFx;
}
} // namespace

int QuietMinutes(const CNightState& night, const NightInputs& in, const NightEffects& shown,
                 int most) {
    // The first minute may come at once, each one at the latest a minute
    // after the one before: each is tried at its latest moment, and the
    // first at its earliest too.
    if (most <= 0 || !OnlyCounts(night, in, shown, 0))
        return 0;
    CNightState counted = night;
    int quiet = 0;
    while (quiet < most && OnlyCounts(counted, in, shown, quiet + 1)) {
        --counted.minutesLeft;
        ++quiet;
    }
    return quiet;
}

SleepState SleepStateNow(const CNightState& night, const NightInputs& in, unsigned resetsBefore,
                         bool wakeTimerSet) {
    SleepState state;
    state.recording = night.recording;
    state.paused = night.paused;
    const NightHold hold = HoldOf(night, in.marginMinutes, in.now);
    if (hold.why && !hold.countdownDecidesAgain) {
        state.held = hold.why;
        if (hold.dated)
            state.held += in.dateText.Format(hold.localStart);
        state.heldAgainstQuery = hold.refusesQuery;
    }
    state.countReset = night.resets != resetsBefore;
    state.wakeTimerSet = wakeTimerSet;
    state.awayFromConsole = night.awayFromConsole;
    state.busyProgram = night.busyProgram;
    return state;
}

bool ReadsWakeAbility(const CNightState& night, const CDateTime& now) {
    const int64_t toStart = SecondsFrom(now, night.armed.recordingStart);
    // In whole minutes, as the stand-back counts them: the minute before the
    // two hours are up is the last one that comes before they are.
    return IsSet(night.armed.target) && toStart > 0 && toStart / 60 <= kStandBackMinutes;
}

bool NeedsWakeAbility(const CNightState& night, NightEvent::Kind kind, const CDateTime& now) {
    switch (kind) {
    case NightEvent::resumeSuspend:
    case NightEvent::suspendArmed:
    case NightEvent::timerSet:
    case NightEvent::wakeTestArmed:
    case NightEvent::countdownArmed:
    case NightEvent::hiddenButton:
        return true;
    case NightEvent::clockTick:
        return night.resumePending;
    case NightEvent::countdownMinute:
        // Before the warnings: whether the sleep will stand back; and
        // whether the system's idle sleep is held off for a recording.
        return night.minutesLeft <= 5 || ReadsWakeAbility(night, now);
    default:
        return false;
    }
}

bool LooksForHost(NightEvent::Kind kind) {
    return kind == NightEvent::hostLookup || kind == NightEvent::resumeSuspend ||
           kind == NightEvent::resumeAutomatic || kind == NightEvent::timerEnded;
}

bool AsksOtherPrograms(const CNightState& night, int marginMinutes, const CDateTime& now) {
    return !night.recording && !night.paused && !HoldOf(night, marginMinutes, now).why;
}

std::string WakeTestRefusalNow(const CNightState& night, const NightInputs& in) {
    // A recording due before the test is over, and within the margin after.
    const NightWake* soon = RecordingWithin(night, in.marginMinutes + kTestMinutes, in.now);
    return WakeTestRefusal(night.recording, night.paused, night.awaitingRecording,
                           soon ? in.dateText.Format(soon->localStart) : "",
                           night.sleepRefused ? "this PC " + SleepRefusalText(night) : "",
                           in.otherSessionRecording ? "another session is recording"
                           : in.otherProgramAwake   ? "another program keeps the PC awake"
                                                    : "");
}
