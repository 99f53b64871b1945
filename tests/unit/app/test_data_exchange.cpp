#include "tests/fakes/WakeUpDlgFixture.h"
#include "wakeup/app/DataExchange.h"

namespace {
class DataExchange : public WakeUpDlgTest {};
} // namespace

TEST(DataExchangeParse, IntegersWithBlanksAndSignsAreAccepted) {
    CFakeDialogControls controls;
    CDataExchange dx(controls, true);
    int value = 9;
    for (const auto& [text, expected] : std::vector<std::pair<std::string, int>>{
             {"42", 42}, {"  7 ", 7}, {"-3", -3}, {"+12", 12}, {"0", 0}}) {
        controls.Type(1, text);
        EXPECT_TRUE(dx.Text(1, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    EXPECT_TRUE(controls.Messages().empty());
}

TEST(DataExchangeParse, AnythingElseIsNoIntegerAndLeavesTheValue) {
    for (const std::string text : {"", " ", "12a", "a12", "1 2", "99999999999", "-"}) {
        CFakeDialogControls controls;
        CDataExchange dx(controls, true);
        int value = 9;
        controls.Type(1, text);
        EXPECT_FALSE(dx.Text(1, value)) << text;
        EXPECT_EQ(value, 9) << text;
        EXPECT_TRUE(dx.Failed());
        EXPECT_EQ(controls.Messages(), std::vector<std::string>{"Please enter an integer."});
    }
}

TEST(DataExchangeParse, TooLongTextShowsTheCharacterMessage) {
    CFakeDialogControls controls;
    CDataExchange dx(controls, true);
    EXPECT_FALSE(dx.MaxChars(6, std::string(256, 'a'), 255));
    EXPECT_EQ(controls.Messages(),
              std::vector<std::string>{"Please enter no more than 255 characters."});
    EXPECT_EQ(controls.Focused(), 6);
    EXPECT_TRUE(dx.MaxChars(6, std::string(255, 'a'), 255));
}

TEST_F(DataExchange, FailedCheckStopsTheExchangeSoLaterMembersKeepTheirValues) {
    m_registry.AddKey(kKey);
    auto& dlg = Init();
    m_controls.Type(IDC_SUSPEND_MINUTES, "x");
    m_controls.Type(IDC_SUSPEND_TEXT, "new text");
    EXPECT_FALSE(dlg.UpdateData(true));
    EXPECT_NE(dlg.m_settings.m_strSuspendText, "new text");
    EXPECT_FALSE(dlg.OnOK());

    m_controls.Type(IDC_SUSPEND_MINUTES, "5");
    EXPECT_TRUE(dlg.OnOK());
    EXPECT_EQ(dlg.m_settings.m_strSuspendText, "new text");
}

TEST_F(DataExchange, EnterWithMinutesOutOfRangeKeepsTheDialogOpen) {
    m_registry.AddKey(kKey);
    auto& dlg = Init();
    m_controls.Type(IDC_SUSPEND_MINUTES, "1000");
    EXPECT_FALSE(dlg.OnOK());
    EXPECT_EQ(m_controls.Messages(),
              std::vector<std::string>{"Please enter an integer between 0 and 999."});
}

TEST(DataExchangeFormat, PlaceholdersAreReplaced) {
    EXPECT_EQ(FormatMessageArgs("between %1 and %2.", "0", "999"), "between 0 and 999.");
    EXPECT_EQ(FormatMessageArgs("%1%% %3 %", "a"), "a%% %3 %");
}
