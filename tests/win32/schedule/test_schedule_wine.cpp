#include "common/WakeupMessages.h"
#include "tests/win32/support/SchedulerFixture.h"

using namespace winetest;

namespace {
class ScheduleWine : public SchedulerTest {
protected:
    void WriteSchedule(const std::string& programs) {
        ASSERT_TRUE(
            WriteFileBytes(m_hostDir + "\\tvrecord.xml",
                           "<?xml version=\"1.0\"?>\r\n<tvrecord>" + programs + "</tvrecord>\r\n"));
    }

    // A one-time entry minutesAhead minutes from now.
    static std::string Entry(int minutesAhead, const std::string& channel) {
        return "<program start=\"" + ScheduleStartIn(minutesAhead) + "\" freq=\"once\" channel=\"" +
               channel + "\"/>";
    }

    static std::string Joined(const std::vector<std::string>& lines) {
        std::string out;
        for (const auto& line : lines)
            out += line + "\n";
        return out;
    }

    void SendScheduleChanged() {
        SendMessageA(m_window, WAKEUP_MESSAGE, WAKEUP_MSG_SCHEDULE_DIR_CHANGED,
                     SCHEDULE_CHANGE_MODIFIED);
    }
};
} // namespace

TEST_F(ScheduleWine, StartScansOnceAndArmsTheTimer) {
    CreateSettingsKey();
    SetSettingDword("PVRBufferBegin", 5);
    InstallProgram();
    WriteSchedule("<program start=\"1-1-2000T10:00:00\" freq=\"once\" channel=\"Old\"/>"
                  "<program start=\"" +
                  ScheduleStartIn(24 * 60 + 30) +
                  "\" freq=\"weekly\" channel=\"Arte &amp; 3sat\"/>");
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine("Timer set to: "));
    const auto lines = LogLines();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_NE(lines[0].find(" tvrecord.xml has changed."), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(" One-time schedule found for channel Old Start: 1/1/2000 10:00:00 AM"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(" Weekly schedule found for channel Arte & 3sat Original:"),
              std::string::npos)
        << lines[2];
    // One day and 25 minutes ahead, less a few seconds of this minute.
    EXPECT_NE(lines[3].find(" Set timer to: 1 days 00:2"), std::string::npos) << lines[3];
    EXPECT_NE(lines[3].find(" from now."), std::string::npos) << lines[3];
    EXPECT_NE(lines[4].find(" Timer set to: "), std::string::npos) << lines[4];

    // The next notice is the first change after the start: one scan came
    // before it, not two. Unchanged entries are not armed again.
    SendScheduleChanged();
    EXPECT_TRUE(WaitFor([&] { return CountLines(Control(1001), "Weekly schedule found") == 2; }));
    EXPECT_EQ(CountLines(Control(1001), "tvrecord.xml has changed."), 2);
    EXPECT_EQ(CountLines(Control(1001), "Set timer to: "), 1);
}

TEST_F(ScheduleWine, WriteRenameOverAndRemovalEachMakeAScan) {
    CreateSettingsKey();
    InstallProgram();
    WriteSchedule(Entry(600, "First"));
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine("Timer set to: "));

    WriteSchedule(Entry(601, "Written"));
    EXPECT_TRUE(WaitForLogLine("channel Written"));

    // A safe save: a new file renamed over the schedule.
    const std::string temp = m_hostDir + "\\tvrecord.tmp";
    ASSERT_TRUE(WriteFileBytes(temp, "<tvrecord>" + Entry(602, "Renamed") + "</tvrecord>"));
    ASSERT_TRUE(MoveFileExA(temp.c_str(), (m_hostDir + "\\tvrecord.xml").c_str(),
                            MOVEFILE_REPLACE_EXISTING));
    EXPECT_TRUE(WaitForLogLine("channel Renamed"));
    EXPECT_TRUE(WaitFor([&] { return CountLines(Control(1001), "Timer set to: ") == 3; }));

    const int changes = CountLines(Control(1001), "tvrecord.xml has changed.");
    ASSERT_TRUE(DeleteFileA((m_hostDir + "\\tvrecord.xml").c_str()));
    EXPECT_TRUE(
        WaitFor([&] { return CountLines(Control(1001), "tvrecord.xml has changed.") > changes; }));
}

TEST_F(ScheduleWine, RapidRewritesEndArmedForTheLastScheduleAndTheRealTimerFires) {
    CreateSettingsKey();
    InstallProgram();
    WriteSchedule(Entry(900, "Start"));
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine("Timer set to: "));
    // Saves in quick succession, hours ahead, then the last one due at the
    // start of the next minute, at least 15 seconds away so that the saves
    // are handled before it. Only an arming for the last save fires in time.
    ASSERT_TRUE(WaitFor([] {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return now.wSecond < 45;
    }));
    for (int i = 1; i < 20; ++i)
        WriteSchedule(Entry(900 - i, "Save" + std::to_string(i)));
    WriteSchedule(Entry(1, "Last"));

    const std::string found = " One-time schedule found for channel Last Start: ";
    std::string target;
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& line : LogLines())
            if (line.find(found) != std::string::npos)
                target = line.substr(line.find(found) + found.size());
        return !target.empty();
    }));
    // Less than a minute away, the timer is set for the start itself.
    EXPECT_TRUE(WaitForLogLine(" Timer done for: " + target, 90000)) << target << "\n"
                                                                     << Joined(LogLines());
    EXPECT_EQ(ItemText(m_window, 1003), "");
}

TEST_F(ScheduleWine, MissingScheduleLogsOnlyTheChange) {
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(WaitForLogLine("tvrecord.xml has changed."));
    // The list is read once the notice has been handled whole.
    EXPECT_EQ(LogLines().size(), 1u);
    WriteSchedule("");
    ASSERT_TRUE(WaitForLogLine("No new schedule found"));
}

TEST_F(ScheduleWine, Utf16ScheduleIsRead) {
    CreateSettingsKey();
    InstallProgram();
    const std::string xml = "<tvrecord><program start=\"" + ScheduleStartIn(600) +
                            "\" freq=\"once\" channel=\"Wide\"/></tvrecord>";
    std::string bytes("\xFF\xFE", 2);
    for (char c : xml)
        bytes += std::string{c, '\0'};
    ASSERT_TRUE(WriteFileBytes(m_hostDir + "\\tvrecord.xml", bytes));
    ASSERT_TRUE(StartProgram());
    EXPECT_TRUE(WaitForLogLine("One-time schedule found for channel Wide Start: "));
    EXPECT_TRUE(WaitForLogLine("Timer set to: "));
}

TEST_F(ScheduleWine, AfterAFiredWakeAndItsRecordingTheNextRecordingIsArmed) {
    CreateSettingsKey();
    InstallProgram();
    ASSERT_TRUE(WaitFor([] {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return now.wSecond < 45;
    }));
    // The first starts at the next minute, less than a minute ahead: the
    // timer is set for the start itself and fires there.
    WriteSchedule(Entry(1, "First") + Entry(5, "Second"));
    ASSERT_TRUE(StartProgram());
    // Awake when it fires: the wake is due, nothing woke.
    ASSERT_TRUE(WaitForLogLine("The wake for the recording at ", 90000)) << Joined(LogLines());
    EXPECT_TRUE(WaitForLogLine("Timer done for: "));
    SendMessageA(m_window, WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 25);
    SendMessageA(m_window, WAKEUP_MESSAGE, WAKEUP_MSG_PLAYER_EVENT, 26);

    // Once the first one's start has passed, the dialog's own tick scans
    // again, with no change of the file, and arms the second.
    ULONGLONG due = 0;
    ASSERT_TRUE(WaitFor([&] { return (due = ArmedDueTime()) != 0; }, 30000)) << Joined(LogLines());
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const double ahead =
        static_cast<double>(due -
                            ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart) /
        1e7;
    // The second starts about four minutes after the first, and the timer
    // wakes one minute before it.
    EXPECT_GT(ahead, 150.0);
    EXPECT_LT(ahead, 240.0);
    EXPECT_EQ(CountLines(Control(1001), "tvrecord.xml has changed."), 1);
    EXPECT_TRUE(WaitForLogLine("RecordingStopped"));
}
