// The watch on the host directory and the notices of its change handler.
#include "tests/fakes/WakeUpDlgFixture.h"
#include "common/WakeupMessages.h"
#include "wakeup/dirwatch/DirectoryChangeHandler.h"

namespace {
class ScheduleWatch : public WakeUpDlgTest {
protected:
    void WriteSchedule(const std::string& programs) {
        m_files.SetFile("C:\\Orvisa\\tvrecord.xml",
                        "<?xml version=\"1.0\"?>\n<tvrecord>" + programs + "</tvrecord>");
    }
    CDirectoryChangeHandler& Handler() { return *m_watcher.Watches().at(0).handler; }
    int Scans() const { return m_files.Reads(); }
};
} // namespace

TEST_F(ScheduleWatch, StartsInTheConstructorForWritesAndNamesOfTheScheduleOnly) {
    Dlg();
    ASSERT_EQ(m_watcher.Watches().size(), 1u);
    const auto& watch = m_watcher.Watches()[0];
    EXPECT_EQ(watch.directory, "C:\\Orvisa");
    // Last write, and file names for saves that rename a new file over it.
    EXPECT_EQ(watch.notifyFilter, 0x10u | 0x01u);
    EXPECT_FALSE(watch.watchSubtree);
    EXPECT_EQ(watch.include, "tvrecord.xml");
    EXPECT_EQ(watch.exclude, "");
    EXPECT_TRUE(m_controls.Messages().empty());
    EXPECT_EQ(Scans(), 0); // no scan before the start notice
}

TEST_F(ScheduleWatch, EveryNoticeScansWithItsChangeCodeAndAFailedStartDoesNot) {
    Init();
    WriteSchedule("");
    // The codes the notices carry, on their way to the dialog.
    std::vector<int32_t> codes;
    m_messenger.SetDialog([&](uint32_t message, uint32_t wParam, int32_t lParam) {
        if (message == WAKEUP_MESSAGE && wParam == WAKEUP_MSG_SCHEDULE_DIR_CHANGED)
            codes.push_back(lParam);
        intptr_t result = 0;
        Dlg().WindowProc(message, wParam, lParam, &result);
    });
    Handler().On_WatchStarted(5, "C:\\Orvisa");
    Handler().On_WatchStopped("C:\\Orvisa");
    EXPECT_EQ(Scans(), 0);
    Handler().On_WatchStarted(0, "C:\\Orvisa");
    Handler().On_FileModified("C:\\Orvisa\\tvrecord.xml");
    Handler().On_FileAdded("C:\\Orvisa\\tvrecord.xml");
    Handler().On_FileRemoved("C:\\Orvisa\\tvrecord.xml");
    Handler().On_FileRenamed("C:\\Orvisa\\tvrecord.tmp", "C:\\Orvisa\\tvrecord.xml");
    Handler().On_ChangesLost("C:\\Orvisa");
    EXPECT_EQ(Scans(), 6);
    // Started, modified, added, removed, renamed; lost changes as modified.
    EXPECT_EQ(codes, (std::vector<int32_t>{5, 3, 1, 2, 4, 3}));
    std::vector<std::string> expected;
    for (int i = 0; i < 6; ++i) {
        expected.push_back("tvrecord.xml has changed.");
        expected.push_back("No new schedule found");
    }
    EXPECT_EQ(Messages(), expected);

    // Without the window the notice is lost.
    m_messenger.RemoveDialog();
    Handler().On_FileModified("C:\\Orvisa\\tvrecord.xml");
    EXPECT_EQ(Scans(), 6);
}

TEST_F(ScheduleWatch, FailedStartShowsTheMessageAndTheDialogRunsOn) {
    m_watcher.Fail(161);
    Init();
    EXPECT_EQ(m_controls.Messages(), std::vector<std::string>{"Failed to start watch:\n"});
    EXPECT_TRUE(Messages().empty());
}
