// The auto-suspend countdown, one one-minute cycle at a time.
#include <algorithm>

#include "common/WakeupMessages.h"
#include "wakeup/power/Privilege.h"
#include "tests/unit/schedule/ScheduleFixture.h"
#include "wakeup/power/HostCommand.h"
#include "wakeup/power/HostEvents.h"

namespace {
const char kHost[] = "\"C:\\Orvisa\\orvisacmd\" ";

class SuspendCountdown : public ScheduleTest {
protected:
    void Start(uint32_t minutes) {
        m_registry.SetDword(kKey, "SuspendTime", minutes);
        m_timers.SignalRelativeAtOnce();
        Init();
        EXPECT_EQ(m_threads.Take().size(), 1u); // the countdown thread: its cycles run here
        WriteSchedule("");
    }
    void Cycle() { Minute(); }
    void SendPlayerEvent(int32_t code) { Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, code); }
    // Arms the wake for a recording at 21:30 (no lead time) and fires it a
    // minute before, as the system would; the fired wake is taken.
    void ArmAndFireForHalfPastNine() {
        WriteSchedule(Program("3-2-2005T21:30", "once"));
        Scan();
        RunStartedThreads();
        ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
        m_clock.Set(CDateTime(2005, 3, 2, 21, 29, 10));
        m_timers.Fire("KelmarTimer");
        JoinWorkers();
        m_messenger.DeliverPosted();
    }
};
} // namespace

TEST_F(SuspendCountdown, LengthFiveWarnsFourTimesThenAsksForSuspend) {
    Start(5);
    EXPECT_EQ(m_progress.GetPos(), 5);
    EXPECT_EQ(m_progress.Step(), -1);
    for (int left = 4; left >= 1; --left) {
        Cycle();
        EXPECT_EQ(m_progress.GetPos(), left);
        EXPECT_EQ(m_processes.CommandLines().back(),
                  kHost + SuspendWarningArguments(WAKEUP_DEFAULT_SUSPEND_TEXT, left));
    }
    EXPECT_EQ(m_processes.CommandLines()[1], std::string(kHost) +
                                                 "message 150 300 59 Use remote controle to "
                                                 "cancel auto shutdown in 3 minutes...");
    EXPECT_TRUE(m_power.SleepRequests().empty());
    Cycle();
    EXPECT_EQ(m_processes.CommandLines().size(), 4u);
    EXPECT_EQ(m_progress.GetPos(), 5); // back to full
    EXPECT_EQ(m_power.Privileges(), std::vector<std::string>{"SeShutdownPrivilege on"});
    EXPECT_EQ(m_power.SleepRequests(), std::vector<std::string>{"suspend"});
    // The schedule is read again before the request, on the dialog's thread.
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Force suspend because timeout has expired",
                                                    "No new schedule found"}));
}

TEST_F(SuspendCountdown, LengthOneSleepsAfterOneCycleAndARefusedSleepStopsTheCountdown) {
    Start(1);
    m_settings.m_bHibernate = 1;
    m_power.FailSleep(50); // no standby the firmware offers
    Cycle();
    EXPECT_TRUE(m_processes.CommandLines().empty());
    EXPECT_EQ(m_power.SleepRequests(), std::vector<std::string>{"hibernate"});
    EXPECT_EQ(m_progress.GetPos(), 1);
    const std::string stops =
        "This PC cannot be sent to sleep by a program (error 50): the countdown stops";
    EXPECT_EQ(Messages().back(), stops);
    // Said once; the count asks no more, and the wake test says why.
    for (int i = 0; i < 3; ++i)
        Cycle();
    EXPECT_EQ(m_power.SleepRequests().size(), 1u);
    const auto lines = Messages();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), stops), 1);
    EXPECT_EQ(Refusal(0),
              "The wake test cannot run now: this PC cannot be sent to sleep by a program "
              "(error 50).");
    // The hidden button still asks, from a thread of its own.
    m_events.Step(NightEvent(NightEvent::hiddenButton));
    EXPECT_EQ(m_power.SleepRequests().size(), 1u);
    RunSleepRequests();
    EXPECT_EQ(m_power.SleepRequests().size(), 2u);
    EXPECT_EQ(Messages().back(), "Suspend failed: error 50");
}

TEST_F(SuspendCountdown, OnBatteryWithWakeTimersOffItStandsBackOnceAndSleepsWhenPluggedIn) {
    Start(1);
    m_power.SetWakeTimerSetting(WAKE_TIMERS_ENABLED, WAKE_TIMERS_DISABLED);
    m_power.SetOnBattery(true);
    WriteSchedule(Program("3-2-2005T22:00", "once")); // an hour off
    m_wait.WhileWaiting([this] { RunStartedThreads(); });
    const std::string line = "Suspend cancelled because the PC could not wake for the recording "
                             "at 3/2/2005 10:00:00 PM: on battery, the power plan does not "
                             "allow wake timers";
    for (int i = 0; i < 3; ++i)
        Cycle();
    EXPECT_TRUE(m_power.SleepRequests().empty());
    const auto lines = Messages();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1);
    m_power.SetOnBattery(false);
    Cycle();
    EXPECT_EQ(m_power.SleepRequests(), std::vector<std::string>{"suspend"});
    m_timers.Fire("KelmarTimer");
}

TEST_F(SuspendCountdown, ExpiryWaitsForTheWakeTimerAndNeverSleepsWithoutIt) {
    Start(1);
    // A wake timer that is being armed when the count runs out: the request
    // waits until the timer is set.
    WriteSchedule(Program("3-5-2005T08:00", "once"));
    m_wait.WhileWaiting([this] { RunStartedThreads(); });
    Cycle();
    EXPECT_EQ(m_power.SleepRequests(), std::vector<std::string>{"suspend"});
    EXPECT_EQ(Messages().back(), "Timer set to: 3/5/2005 8:00:00 AM");

    // Arming that does not finish in time: no sleep.
    m_wait.WhileWaiting(nullptr);
    m_wait.CapTimeouts(50);
    WriteSchedule(Program("3-4-2005T08:00", "once"));
    m_countdown.PaceMinute(); // the new arming's thread never runs
    m_messenger.DeliverPosted();
    EXPECT_EQ(Messages().back(), "Suspend cancelled because the wake timer is not set yet");
    EXPECT_EQ(m_power.SleepRequests().size(), 1u);
    m_threads.Take();
    m_timers.Fire("KelmarTimer");
}

TEST_F(SuspendCountdown, WarningTextIsNeverUsedAsAFormat) {
    EXPECT_EQ(FormatSuspendWarning("%s%n %d min, 100%% %x %", 3), "%s%n 3 min, 100% %x %");
    EXPECT_EQ(FormatSuspendWarning("%d and %d", 2), "2 and 2");
    EXPECT_EQ(FormatSuspendWarning("", 2), "");
}

TEST_F(SuspendCountdown, MinutesOffScreenAreCountedWithoutTheDialogUntilOneDoesMore) {
    Start(8);
    m_progress.SetOnScreen(false); // into the notification area
    m_events.Step(NightEvent(NightEvent::quietMinutes));
    // 8 to 7, 6 and 5 change nothing else: the dialog is not woken for them.
    for (int minute = 0; minute < 3; ++minute) {
        m_countdown.PaceMinute();
        EXPECT_FALSE(m_queue.Holds(NightEvent::countdownMinute)) << minute;
    }
    EXPECT_EQ(m_progress.GetPos(), 8);
    m_progress.SetOnScreen(true); // and back
    m_events.Step(NightEvent(NightEvent::quietMinutes));
    EXPECT_EQ(m_progress.GetPos(), 5);
    m_progress.SetOnScreen(false);
    // The warning's minute is the dialog's, as is one with the user's input.
    Cycle();
    EXPECT_EQ(m_progress.GetPos(), 4);
    EXPECT_EQ(m_processes.CommandLines().size(), 1u);
    SendPlayerEvent(PLAYER_EVENT_RECORDED_LIST_CHANGED); // back to full, the warning taken back
    Cycle();
    Cycle();
    m_session.SetMillisecondsSinceInput(2000);
    Cycle();
    EXPECT_EQ(m_progress.GetPos(), 8);
    // Counted minutes come before the next event, whatever it is.
    m_session.SetMillisecondsSinceInput(UINT32_MAX);
    m_countdown.PaceMinute();
    m_countdown.PaceMinute();
    ClockTick();
    EXPECT_EQ(m_progress.GetPos(), 6);
    EXPECT_EQ(m_processes.CommandLines().size(), 2u); // no warning since
}

TEST_F(SuspendCountdown, TimerThatCannotBeCreatedPausesAMinuteAndCountsOn) {
    m_timers.FailCreate(5);
    Start(5);
    Cycle();
    Cycle();
    EXPECT_EQ(m_wait.PausedMs(), 120000u);
    EXPECT_EQ(m_progress.GetPos(), 3);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Unable to create the auto-suspend timer: 5"});
}

TEST_F(SuspendCountdown, CountdownTimerIsCreatedOnceAndItsCreationHandleKept) {
    Start(30);
    Cycle();
    Cycle();
    int creates = 0;
    for (const auto& call : m_timers.Calls()) {
        creates += call.op == "create";
        if (call.op == "set") {
            EXPECT_EQ(call.dueTime, -600000000); // 60 s from now, no wake-up
        }
        EXPECT_NE(call.op, "set-resume");
    }
    EXPECT_EQ(creates, 1);
    EXPECT_EQ(m_timers.OpenHandles(), 1);
}

TEST_F(SuspendCountdown, PrivilegeFailuresAreWrittenToStandardOutput) {
    Start(30);
    EXPECT_TRUE(SetProcessPrivilege(m_power, "SeShutdownPrivilege", true));
    m_power.FailPrivilege(IPower::PrivilegeStep::lookup, 1313);
    EXPECT_FALSE(SetProcessPrivilege(m_power, "SeShutdownPrivilege", true));
    m_power.FailPrivilege(IPower::PrivilegeStep::adjust, 1300);
    m_events.Step(NightEvent(NightEvent::hiddenButton));
    RunSleepRequests();
    EXPECT_EQ(m_power.Output(),
              "LookupPrivilegeValue error: 1313\nAdjustTokenPrivileges error: 1300\n");
    EXPECT_EQ(m_power.SleepRequests(), std::vector<std::string>{"suspend"});
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SuspendCountdown, HostActivityDuringTheWaitForTheWakeTimerCancelsTheSleep) {
    struct Case {
        uint32_t kind;
        int32_t value;
        const char* countdownLine;
        const char* queryLine;
    };
    const Case cases[] = {
        {WAKEUP_MSG_PLAYER_EVENT, 25, "Suspend cancelled because recording is on",
         "Query Suspend, deny because recording is on"},
        {WAKEUP_MSG_PLAYER_EVENT, 0, "Suspend cancelled because playback is paused",
         "Query Suspend, deny because playback is paused"},
        {WAKEUP_MSG_OSD_ACTION, 1, "Suspend cancelled because the host was used meanwhile",
         "Query Suspend, deny because the host was used meanwhile"},
    };
    Start(1);
    int hour = 1;
    bool sent = false;
    // The host's event arrives while the wake timer is being armed, when
    // the state before the wait had allowed the sleep.
    auto eventDuringTheArming = [&](const Case& c) {
        SendPlayerEvent(26);
        SendPlayerEvent(1);
        WriteSchedule(Program("3-5-2005T0" + std::to_string(hour++) + ":00", "once"));
        m_log.Clear();
        sent = false;
        m_wait.WhileWaiting([&, c] {
            if (!sent) {
                // Answered now, stepped after the wait: nothing nested.
                const unsigned resets = m_night.resets;
                Send(WAKEUP_MESSAGE, c.kind, c.value);
                EXPECT_EQ(m_night.resets, resets) << "stepped inside the wait";
            }
            sent = true;
            RunStartedThreads();
        });
    };
    // The last line of the decision: an older arming's thread, taken over,
    // may still say "Timer done for:" after it.
    const auto decision = [this] {
        const auto lines = Messages();
        for (auto it = lines.rbegin(); it != lines.rend(); ++it)
            if (it->rfind("Timer ", 0) != 0)
                return *it;
        return std::string();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.countdownLine);
        eventDuringTheArming(c);
        Cycle();
        EXPECT_EQ(decision(), c.countdownLine);
        eventDuringTheArming(c);
        EXPECT_EQ(Send(0x0218, 0, 0), 0x424D5144);
        EXPECT_EQ(Messages().front(), "Query Suspend, OK");
        EXPECT_EQ(decision(), c.queryLine);
    }
    EXPECT_TRUE(m_power.SleepRequests().empty());
    m_wait.WhileWaiting(nullptr);
    m_timers.Fire("KelmarTimer");
}

TEST_F(SuspendCountdown, StoppedWorkersLeaveTheirWaitsWithoutWritingAnything) {
    m_registry.SetDword(kKey, "SuspendTime", 30);
    Init();
    WriteSchedule(Program("3-5-2005T08:00", "once"));
    Scan();
    // The countdown waits on its minute, the wake timer on its due time.
    RunStartedThreads();
    ASSERT_EQ(m_workers.size(), 2u);
    ASSERT_TRUE(WaitUntil([this] { return m_timers.Waiters("KelmarTimer") == 1; }));
    ASSERT_TRUE(WaitUntil([this] { return m_timers.Waiters("OrvisaSuspendTimer") == 1; }));
    const size_t lines = m_log.Lines().size();
    m_threads.OnStopAll([this](uint32_t) {
        m_timers.StopWaits();
        JoinWorkers();
        return true;
    });
    // As the end of the program stops them, before the parts go.
    m_stop = true;
    EXPECT_TRUE(m_threads.StopAll(1000));
    EXPECT_TRUE(m_workers.empty());
    EXPECT_EQ(m_log.Lines().size(), lines); // nothing written on the way out
}

// Where the countdown meets the event handling and the arming.
TEST_F(SuspendCountdown, OtherProgramsCheckLetsGoOnlyOfAnEventsStateNeverOfAHold) {
    Start(1);
    // An event outside the host's table resets the idle timers once and
    // holds nothing.
    SendPlayerEvent(2);
    Cycle();
    EXPECT_EQ(m_power.SleepRequests().size(), 1u);
    // Another program that keeps the system, not the display, awake.
    m_power.OnReadSystemState([] { return ES_FLAG_CONTINUOUS | ES_FLAG_SYSTEM_REQUIRED; });
    Cycle();
    EXPECT_EQ(Messages().back(), "Suspend cancelled because another program keeps the PC awake");
    m_power.OnReadSystemState(nullptr);
    EXPECT_EQ(m_power.SleepRequests().size(), 1u);

    // A wake's hold: refused for it, and never let go of meanwhile.
    m_registry.SetDword(kKey, "PVRBufferBegin", 0);
    m_settings.Load();
    ASSERT_NO_FATAL_FAILURE(ArmAndFireForHalfPastNine());
    ASSERT_TRUE(m_night.awaitingRecording);
    const size_t states = m_power.ExecutionStates().size();
    Cycle();
    EXPECT_EQ(Messages().back(), "Suspend cancelled because a recording is about to start");
    const auto after = m_power.ExecutionStates();
    EXPECT_EQ(after.size(), states) << "the hold was let go of during the check";
    EXPECT_EQ(m_power.SleepRequests().size(), 1u);
}

TEST_F(SuspendCountdown, AListedProgramHoldsItOffAndIsLookedUpOnlyAtTheMinute) {
    m_registry.SetRaw(kKey, "KeepAwakePrograms", 1, std::string(" ffmpeg ; COMSKIP") + '\0');
    m_programs.Set({"System", "explorer.exe", "ComSkip.exe"});
    Start(2);
    Send(WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 34);
    EXPECT_EQ(m_programs.Reads(), 0);
    Cycle();                                          // no warning for a sleep that will not come
    EXPECT_EQ(m_processes.CommandLines().size(), 1u); // the event's cancel notice only
    Cycle();
    EXPECT_EQ(Messages().back(), "Suspend cancelled because ComSkip.exe is running");
    EXPECT_TRUE(m_power.SleepRequests().empty());
    EXPECT_EQ(m_progress.GetPos(), 2);
    EXPECT_EQ(m_programs.Reads(), 2);
    m_programs.Set({"System"});
    Cycle();
    Cycle();
    EXPECT_EQ(m_power.SleepRequests(), std::vector<std::string>{"suspend"});
}
