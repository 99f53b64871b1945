#include "tests/unit/schedule/ScheduleFixture.h"

namespace {
class ScheduleScan : public ScheduleTest {};
} // namespace

TEST_F(ScheduleScan, WorkedExampleWithLeadTimeFive) {
    m_registry.SetDword(kKey, "PVRBufferBegin", 5);
    Init();
    WriteSchedule(Program("2-23-2005T20:15:00", "weekly", "ZDF") +
                  Program("3-1-2005T22:30:00", "daily", "ARD"));
    Scan();
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "Weekly schedule found for channel ZDF Original:2/23/2005 8:15:00 PM "
                              "Calculated Start: 3/9/2005 8:15:00 PM",
                              "Daily schedule found for channel ARD Original:3/1/2005 10:30:00 PM "
                              "Calculated Start: 3/2/2005 10:30:00 PM"}));
    EXPECT_EQ(m_night.armed.target, Utc(CDateTime(2005, 3, 2, 22, 25, 0)));
    EXPECT_EQ(m_threads.Count(), 1u);
    EXPECT_TRUE(m_arming.Busy()); // until the thread has set its timer
    // The wake's reason, as Windows' tools show it: the earliest's channel.
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
    const auto calls = m_timers.Calls();
    const auto set = std::find_if(calls.rbegin(), calls.rend(),
                                  [](const auto& call) { return call.op == "set-resume"; });
    ASSERT_NE(set, calls.rend());
    EXPECT_EQ(set->reason, "Recording on ARD at 3/2/2005 10:30:00 PM");
    m_timers.Fire("KelmarTimer");
}

TEST_F(ScheduleScan, EmptyScheduleLogsExactlyOneLine) {
    Init();
    WriteSchedule("");
    Scan();
    EXPECT_EQ(Messages(), std::vector<std::string>{"No new schedule found"});
    EXPECT_FALSE(m_arming.Busy());
    EXPECT_EQ(m_threads.Count(), 0u);
}

TEST_F(ScheduleScan, UnreadableContentFindsNoSchedule) {
    Init();
    for (const std::string content : {"", "not xml", "<tvrecord><program", "\xFF\xFE"}) {
        m_files.SetFile(kSchedule, content);
        Scan();
    }
    EXPECT_EQ(Messages(), std::vector<std::string>(4, "No new schedule found"));
    EXPECT_FALSE(m_arming.Busy());
}

TEST_F(ScheduleScan, MissingOrLockedFileEndsSilentlyAndKeepsTheArming) {
    Init();
    Scan(); // no file at all
    EXPECT_TRUE(m_log.Lines().empty());
    EXPECT_FALSE(m_arming.Busy());

    WriteSchedule(Program("3-5-2005T08:00", "once"));
    Scan();
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return !m_arming.Busy(); }));
    m_messenger.DeliverPosted();
    const auto lines = m_log.GetCount();
    m_files.Lock(kSchedule);
    Scan();
    EXPECT_EQ(m_log.GetCount(), lines);
    EXPECT_FALSE(m_arming.Busy());
    EXPECT_EQ(m_night.armed.target, Utc(CDateTime(2005, 3, 5, 8, 0, 0)));
    EXPECT_NE(m_timers.DueTime("KelmarTimer"), 0);
    m_timers.Fire("KelmarTimer");
}

TEST_F(ScheduleScan, ScanWhileBusyIsDroppedWithoutATrace) {
    Init();
    WriteSchedule(Program("3-5-2005T08:00", "once"));
    Scan(); // its thread has not taken the target yet
    m_log.Clear();
    const int reads = m_files.Reads();
    Scan();
    EXPECT_TRUE(m_log.Lines().empty());
    EXPECT_EQ(m_files.Reads(), reads);
    EXPECT_TRUE(m_arming.Busy());
    m_threads.Take();
}

TEST_F(ScheduleScan, EarliestCandidateWinsAndEqualOnesKeepTheFirst) {
    Init();
    WriteSchedule(Program("3-9-2005T10:00", "once", "A") + Program("3-3-2005T10:00", "once", "B") +
                  Program("3-3-2005T10:00", "once", "C") + Program("1-1-2005T10:00", "once", "D"));
    Scan();
    EXPECT_EQ(Messages().size(), 4u);
    EXPECT_EQ(m_night.armed.target, Utc(CDateTime(2005, 3, 3, 10, 0, 0)));
}

TEST_F(ScheduleScan, EntriesWithoutAValidStartAreSkipped) {
    Init();
    WriteSchedule("<program freq=\"once\" channel=\"X\"/>" + Program("2005-12-31T23:59", "once") +
                  Program("3-1-2005T20", "daily") + Program("3-4-2005T07:30", "once", "OK"));
    Scan();
    EXPECT_EQ(Messages(), std::vector<std::string>{
                              "One-time schedule found for channel OK Start: 3/4/2005 7:30:00 AM"});
    EXPECT_EQ(m_night.armed.target, Utc(CDateTime(2005, 3, 4, 7, 30, 0)));
}

TEST_F(ScheduleScan, OnlyTheRootsProgramChildrenAreWalked) {
    Init();
    m_files.SetFile(kSchedule,
                    "<schedule><program start=\"3-4-2005T07:30\" freq=\"once\" channel=\"A\">"
                    "<program start=\"3-3-2005T07:30\" freq=\"once\" channel=\"nested\"/>"
                    "</program><other><program start=\"3-3-2005T07:30\" freq=\"once\"/></other>"
                    "<program start=\"3-5-2005T07:30\" freq=\"once\" channel=\"B &amp; C\"/>"
                    "</schedule>");
    Scan();
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{
                  "One-time schedule found for channel A Start: 3/4/2005 7:30:00 AM",
                  "One-time schedule found for channel B & C Start: 3/5/2005 7:30:00 AM"}));
}

TEST_F(ScheduleScan, Utf16FileGivesTheSameEntriesAsAnsi) {
    Init();
    const std::string xml = "<tvrecord>" + Program("3-4-2005T07:30", "once", "A") +
                            Program("3-1-2005T22:30", "daily", "B") + "</tvrecord>";
    m_files.SetFile(kSchedule, xml);
    Scan();
    const auto ansi = Messages();
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return !m_arming.Busy(); }));
    m_messenger.DeliverPosted();

    m_log.Clear();
    std::string utf16("\xFF\xFE", 2);
    for (char c : xml)
        utf16 += std::string{c, '\0'};
    m_files.SetFile(kSchedule, utf16);
    Scan();
    auto utf = Messages();
    utf.resize(ansi.size());
    EXPECT_EQ(utf, ansi);
    EXPECT_EQ(ansi.size(), 2u);
    m_timers.Fire("KelmarTimer");
}

TEST_F(ScheduleScan, Utf8MarkStaysInFrontOfTheDeclaration) {
    Init();
    m_files.SetFile(kSchedule, "\xEF\xBB\xBF<?xml version=\"1.0\"?><tvrecord>" +
                                   Program("3-4-2005T07:30", "once") + "</tvrecord>");
    Scan();
    // The reader sees the mark as text before the root; what it makes of it
    // decides whether the entry is found, and nothing may break either way.
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_EQ(!m_arming.Busy(), m_threads.Count() == 0);
}

TEST_F(ScheduleScan, TargetWithinTheLeadTimeIsNotArmed) {
    m_registry.SetDword(kKey, "PVRBufferBegin", 5);
    Init();
    WriteSchedule(Program("3-2-2005T21:03", "once"));
    Scan();
    EXPECT_EQ(Messages().size(), 1u); // only the entry's line
    EXPECT_FALSE(m_arming.Busy());
    EXPECT_EQ(m_threads.Count(), 0u);
    EXPECT_FALSE(m_night.armed.target != CDateTime());
}

TEST_F(ScheduleScan, RescanOfAnUnchangedFileDoesNotRearm) {
    Init();
    WriteSchedule(Program("3-4-2005T07:30", "once"));
    Scan();
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return !m_arming.Busy(); }));
    Scan();
    EXPECT_EQ(m_threads.Count(), 0u);
    EXPECT_FALSE(m_arming.Busy());
    const auto messages = Messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(),
                         "One-time schedule found for channel ARD Start: 3/4/2005 7:30:00 AM"),
              2);
    m_timers.Fire("KelmarTimer");
}

TEST_F(ScheduleScan, LeadTimeZeroWakesForTheStartItself) {
    Init();
    WriteSchedule(Program("3-4-2005T07:30", "once"));
    Scan();
    EXPECT_EQ(m_night.armed.target, Utc(CDateTime(2005, 3, 4, 7, 30, 0)));
}

TEST_F(ScheduleScan, ScheduleChangeMessageLogsAndScans) {
    Init();
    WriteSchedule("");
    intptr_t result = 0;
    EXPECT_FALSE(m_events.WindowProc(0x0400, 1234566, 5, &result));
    EXPECT_FALSE(m_events.WindowProc(0x0400, 1234566, -77, &result));
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"tvrecord.xml has changed.", "No new schedule found",
                                        "tvrecord.xml has changed.", "No new schedule found"}));
}

TEST_F(ScheduleScan, ScheduleWrittenWhileATimerIsArmedIsArmedNext) {
    Init();
    WriteSchedule(Program("3-5-2005T08:00", "once"));
    Scan();
    ASSERT_EQ(m_threads.Count(), 1u);
    // The host saves again before the thread has set its timer.
    WriteSchedule(Program("3-4-2005T06:00", "once"));
    Scan();
    Scan();
    EXPECT_EQ(m_files.Reads(), 1);
    EXPECT_EQ(m_messenger.PostedCount(), 0u);

    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return !m_arming.Busy(); }));
    // One fresh scan on the dialog's thread, however many requests came.
    m_messenger.DeliverPosted();
    EXPECT_EQ(m_files.Reads(), 2);
    RunStartedThreads();
    ASSERT_TRUE(WaitUntil([&] { return !m_arming.Busy(); }));
    EXPECT_EQ(m_night.armed.target, Utc(CDateTime(2005, 3, 4, 6, 0, 0)));
    m_messenger.DeliverPosted();
    const auto lines = Messages();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Timer set to: 3/4/2005 6:00:00 AM"),
              lines.end());
    m_messenger.DeliverPosted();
    EXPECT_EQ(m_files.Reads(), 2);
    ASSERT_TRUE(WaitUntil([&] { return m_timers.Waiters("KelmarTimer") == 1; }));
    m_timers.Fire("KelmarTimer");
}

TEST_F(ScheduleScan, StartsOfTheLastQuarterHourAreToldWithTheNext) {
    // A host reports a recording minutes after its start: the scan tells
    // which starts those were, one per entry.
    WriteSchedule(Program("3-2-2005T20:50", "once", "A") + Program("3-2-2005T20:44", "once", "B") +
                  Program("2-1-2005T20:59", "daily", "C") +
                  Program("2-23-2005T21:00", "weekly", "D") +
                  Program("3-2-2005T20:50", "once", "E") + Program("3-2-2005T21:05", "once", "F"));
    const CDateTime now(2005, 3, 2, 21, 0, 0);
    const ScheduleScanResult scan =
        ScanScheduleFile(m_files, m_codePage, m_dateText, "C:\\Orvisa", now, 0);
    EXPECT_EQ(scan.startedLately, (std::vector<CDateTime>{CDateTime(2005, 3, 2, 20, 50, 0),
                                                          CDateTime(2005, 3, 2, 20, 59, 0), now,
                                                          CDateTime(2005, 3, 2, 20, 50, 0)}));
    EXPECT_FALSE(scan.recordingStart != CDateTime(2005, 3, 2, 21, 5, 0));
}
