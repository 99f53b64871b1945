#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "tests/fakes/WakeUpDlgFixture.h"
#include "wakeup/app/LogFileWriter.h"

namespace {
class Log : public WakeUpDlgTest {};
} // namespace

TEST_F(Log, LineIsTheRenderedTimeABlankAndTheMessage) {
    m_clock.Set(CDateTime(2005, 3, 2, 22, 25, 0));
    Dlg().AddLogLine("Going to suspend");
    m_clock.Set(CDateTime(2005, 3, 3, 0, 0, 0));
    Dlg().AddLogLine("");
    EXPECT_EQ(m_log.Lines(),
              (std::vector<std::string>{"3/2/2005 10:25:00 PM Going to suspend", "3/3/2005 "}));
    EXPECT_EQ(m_log.Selected(), 1);
}

TEST_F(Log, KeepsTheNewest51LinesWithTheLastSelected) {
    for (int i = 1; i <= 51; ++i)
        Dlg().AddLogLine("line " + std::to_string(i));
    ASSERT_EQ(m_log.GetCount(), 51);
    EXPECT_EQ(m_log.Selected(), 50);

    Dlg().AddLogLine("line 52");
    auto lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 51u);
    EXPECT_NE(lines.front().find("line 2"), std::string::npos);
    EXPECT_NE(lines.back().find("line 52"), std::string::npos);
    EXPECT_EQ(m_log.Selected(), 50);

    for (int i = 53; i <= 200; ++i)
        Dlg().AddLogLine("line " + std::to_string(i));
    lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 51u);
    EXPECT_NE(lines.front().find("line 150"), std::string::npos);
    EXPECT_NE(lines.back().find("line 200"), std::string::npos);
    EXPECT_EQ(m_log.Selected(), 50);
}

TEST_F(Log, LineFromAWorkerThreadLooksAlike) {
    Dlg().AddLogLine("Timer set to: x");
    std::thread worker([this] { Dlg().AddLogLine("Timer set to: x"); });
    worker.join();
    const auto lines = m_log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], lines[1]);
}

TEST_F(Log, LinesFromManyThreadsStayWholeAndBounded) {
    Dlg();
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([this, t] {
            for (int i = 0; i < 100; ++i)
                Dlg().AddLogLine("worker " + std::to_string(t));
        });
    for (auto& w : workers)
        w.join();
    const auto lines = m_log.Lines();
    EXPECT_LE(lines.size(), 51u);
    EXPECT_GE(lines.size(), 48u); // trimming may interleave between threads
    for (const auto& line : lines)
        EXPECT_NE(line.find(" PM worker "), std::string::npos) << line;
}

TEST_F(Log, FileKeepsEachLineWithItsFullTimeAndHandsOverAtOneMebibyte) {
    m_clock.Set(CDateTime(2005, 3, 3, 0, 0, 0));
    Dlg().AddLogLine("Timer set to: 3/5/2005 8:00:00 AM");
    ASSERT_TRUE(Dlg().m_log.FlushFile(5000));
    EXPECT_EQ(m_logFile.Text(), "2005-03-03 00:00:00 Timer set to: 3/5/2005 8:00:00 AM\r\n");
    EXPECT_EQ(m_log.Lines().back(), "3/3/2005 Timer set to: 3/5/2005 8:00:00 AM");

    const std::string big(1024 * 1024, 'x');
    Dlg().AddLogLine(big);
    ASSERT_TRUE(Dlg().m_log.FlushFile(5000));
    EXPECT_EQ(m_logFile.Text(), "");
    EXPECT_NE(m_logFile.Older().find("Timer set to"), std::string::npos);
    EXPECT_NE(m_logFile.Older().find(big), std::string::npos);
    Dlg().AddLogLine("after");
    ASSERT_TRUE(Dlg().m_log.FlushFile(5000));
    EXPECT_EQ(m_logFile.Text(), "2005-03-03 00:00:00 after\r\n");

    // What is still queued when the program ends is written before it goes.
    for (int i = 0; i < 100; ++i)
        Dlg().AddLogLine("last");
    m_dlg.reset();
    EXPECT_EQ(m_logFile.Text().size(), 27u + 26u * 100);
}

TEST_F(Log, UnwritableFileCostsOneListLineAndIsTriedAgainAfterAMinute) {
    // One line at a time, each written before the next.
    const auto add = [this](const char* line) {
        Dlg().AddLogLine(line);
        ASSERT_TRUE(Dlg().m_log.FlushFile(5000));
    };
    m_logFile.Fail(112); // disk full
    add("a");
    add("b");
    m_clock.Advance(CDateTimeSpan(0, 0, 1, 1));
    add("c"); // tried again, fails again: no second notice
    EXPECT_EQ(m_logFile.Appends(), 2);
    m_logFile.Fail(0);
    add("d"); // within the minute after the last try
    m_clock.Advance(CDateTimeSpan(0, 0, 1, 0));
    add("e");
    m_logFile.Fail(32); // locked: a new run of failures is told again
    add("f");
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"a", "Log file unavailable: error 112", "b", "c", "d", "e",
                                        "f", "Log file unavailable: error 32"}));
    EXPECT_EQ(m_logFile.Appends(), 4);
    EXPECT_EQ(m_logFile.Text().substr(20), "e\r\n");
}

TEST_F(Log, FileIsHandedOverAtExactlyOneMebibyte) {
    // Each line costs its text and 22 bytes: the stamp, a blank, CR LF.
    const auto add = [this](const std::string& line) {
        Dlg().AddLogLine(line);
        ASSERT_TRUE(Dlg().m_log.FlushFile(5000));
    };
    add(std::string(1024 * 1024 - 23, 'x')); // one byte short: kept
    EXPECT_EQ(m_logFile.Text().size(), 1024u * 1024 - 1);
    EXPECT_EQ(m_logFile.Older(), "");
    add("");
    EXPECT_EQ(m_logFile.Text(), "");
    add(std::string(1024 * 1024 - 22, 'y')); // exactly one mebibyte: handed over
    EXPECT_EQ(m_logFile.Text(), "");
    EXPECT_EQ(m_logFile.Older().size(), 1024u * 1024);
}

TEST_F(Log, BatchEndsAsSingleLinesWouldWithEveryThreadsLinesInOrder) {
    {
        CWakeUpLog::Batch batch(Dlg().m_log);
        for (int i = 1; i <= 120; ++i)
            Dlg().AddLogLine("line " + std::to_string(i));
        // Another thread's line neither waits for the list nor overtakes.
        std::thread worker([this] { Dlg().AddLogLine("Timer set to: x"); });
        worker.join();
        EXPECT_EQ(m_log.GetCount(), 0);
        // A flush before a sleep writes what the batch holds; the batch goes
        // on holding what comes after.
        ASSERT_TRUE(Dlg().m_log.FlushFile(5000));
        EXPECT_NE(m_logFile.Text().find(" Timer set to: x\r\n"), std::string::npos);
        Dlg().AddLogLine("Going to suspend");
        EXPECT_EQ(m_log.Lines().back().find("Going to suspend"), std::string::npos);
    }
    const auto lines = Messages();
    ASSERT_EQ(lines.size(), 51u);
    EXPECT_EQ(lines.front(), "line 72");
    EXPECT_EQ(lines[48], "line 120");
    EXPECT_EQ(lines[49], "Timer set to: x");
    EXPECT_EQ(lines.back(), "Going to suspend");
    EXPECT_EQ(m_log.Selected(), 50);
    ASSERT_TRUE(Dlg().m_log.FlushFile(5000));
    const std::string file = m_logFile.Text();
    EXPECT_LT(file.find(" line 1\r\n"), file.find(" line 120\r\n"));
    EXPECT_LT(file.find(" line 120\r\n"), file.find(" Timer set to: x\r\n"));
    EXPECT_LT(file.find(" Timer set to: x\r\n"), file.find(" Going to suspend\r\n"));
}

namespace {
// A file whose first write waits until the test opens the gate.
class GatedFile : public ILogFile {
public:
    uint32_t Append(const std::string& text, uint64_t& sizeAfter) override {
        std::unique_lock<std::mutex> lock(m_lock);
        m_entered = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
        m_text += text;
        sizeAfter = m_text.size();
        return 0;
    }
    uint32_t Rotate() override { return 0; }
    void WaitUntilWriting() {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [this] { return m_entered; });
    }
    void Open() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_open = true;
        m_changed.notify_all();
    }
    std::string Text() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_text;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_entered = false, m_open = false;
    std::string m_text;
};
} // namespace

TEST(LogFileWriter, LinesQueuedWhenItStopsAreWrittenBeforeItEnds) {
    GatedFile file;
    auto writer =
        std::make_unique<CLogFileWriter>(file, [](const CDateTime&, const std::string&) {});
    const CDateTime when(2005, 3, 2, 22, 25, 0);
    writer->Write(when, "first");
    file.WaitUntilWriting();
    // The thread is in its first write: these wait in the queue when the
    // stop comes.
    writer->Write(when, "second");
    writer->Write(when, "third");
    writer->Stop();
    file.Open();
    writer.reset();
    EXPECT_EQ(file.Text(), "2005-03-02 22:25:00 first\r\n2005-03-02 22:25:00 second\r\n"
                           "2005-03-02 22:25:00 third\r\n");
}
