#include <cstring>

#include "tests/fakes/WakeUpDlgFixture.h"

namespace {
class Settings : public WakeUpDlgTest {};
const char kDefaultText[] = "Use remote controle to cancel auto shutdown in %d minutes...";
} // namespace

TEST_F(Settings, StoredValuesAreLoadedAndShown) {
    m_registry.SetDword(kKey, "PVRBufferBegin", 5);
    m_registry.SetDword(kKey, "SuspendTime", 30);
    m_registry.SetRaw(kKey, "SuspendText", 1, std::string("Sleep in %d\0", 12));
    m_registry.SetDword(kKey, "UseHibernate", 1);
    m_registry.SetDword(kKey, "CountUserInput", 0);
    const int writes = m_registry.WriteCount();
    auto& dlg = Init();
    EXPECT_FALSE(dlg.m_settings.m_bCountUserInput);
    EXPECT_EQ(dlg.m_settings.m_nPvrBufferBegin, 5);
    EXPECT_EQ(dlg.m_settings.m_nSuspendMinutes, 30);
    EXPECT_EQ(dlg.m_settings.m_strSuspendText, "Sleep in %d");
    EXPECT_TRUE(dlg.m_settings.m_bHibernate);
    EXPECT_EQ(m_controls.GetItemText(IDC_SUSPEND_MINUTES), "30");
    EXPECT_EQ(m_controls.GetItemText(IDC_SUSPEND_TEXT), "Sleep in %d");
    EXPECT_TRUE(m_controls.GetCheck(IDC_HIBERNATE));
    EXPECT_EQ(m_controls.Limit(IDC_SUSPEND_TEXT), 255);
    // The progress bar runs from 0 to 30, counts down and stands at 30.
    EXPECT_EQ(m_progress.Lower(), 0);
    EXPECT_EQ(m_progress.Upper(), 30);
    EXPECT_EQ(m_progress.Step(), -1);
    EXPECT_EQ(m_progress.GetPos(), 30);
    EXPECT_EQ(m_registry.WriteCount(), writes); // loading writes nothing back
}

TEST_F(Settings, EmptyKeyGivesTheDefaults) {
    m_registry.AddKey(kKey);
    auto& dlg = Init();
    EXPECT_EQ(dlg.m_settings.m_nPvrBufferBegin, 0);
    EXPECT_EQ(dlg.m_settings.m_nSuspendMinutes, 0);
    EXPECT_EQ(dlg.m_settings.m_strSuspendText, kDefaultText);
    EXPECT_FALSE(dlg.m_settings.m_bHibernate);
    EXPECT_TRUE(dlg.m_settings.m_bCountUserInput);
    EXPECT_EQ(m_progress.RangeCalls(), 0); // no countdown without a stored length
    EXPECT_EQ(m_controls.GetItemText(IDC_SUSPEND_TEXT), kDefaultText);
}

TEST_F(Settings, MissingKeyReadsAndStoresNothing) {
    auto& dlg = Init();
    EXPECT_EQ(dlg.m_settings.m_strSuspendText, "");
    EXPECT_EQ(dlg.m_settings.m_nSuspendMinutes, 0);
    m_controls.Type(IDC_SUSPEND_TEXT, "typed");
    dlg.OnSuspendTextChange();
    m_controls.Type(IDC_SUSPEND_MINUTES, "12");
    dlg.OnSuspendMinutesKillFocus();
    dlg.OnHibernateClicked();
    EXPECT_EQ(m_registry.WriteCount(), 0);
    EXPECT_EQ(dlg.m_settings.m_strSuspendText, "typed"); // taken over all the same
}

TEST_F(Settings, TextOf255CharactersRoundTrips) {
    m_registry.AddKey(kKey);
    auto& dlg = Init();
    const std::string text(255, 'w');
    m_controls.Type(IDC_SUSPEND_TEXT, text);
    dlg.OnSuspendTextChange();
    EXPECT_EQ(m_registry.GetString(kKey, "SuspendText"), text);

    m_dlg.reset();
    auto& again = Init();
    EXPECT_EQ(again.m_settings.m_strSuspendText, text);
}

TEST_F(Settings, TextThatFillsTheWholeBufferIsNeverReadPastIt) {
    // 256 bytes without a terminating zero, and 300 bytes.
    m_registry.SetRaw(kKey, "SuspendText", 1, std::string(256, 'x'));
    EXPECT_EQ(Init().m_settings.m_strSuspendText, kDefaultText);
    m_dlg.reset();
    m_registry.SetRaw(kKey, "SuspendText", 1, std::string(300, 'y') + '\0');
    EXPECT_EQ(Init().m_settings.m_strSuspendText, kDefaultText);
}

TEST_F(Settings, OddNumberValuesAreReadWithoutGarbage) {
    // A one-byte value where a number is expected: the other bytes are 0.
    m_registry.SetRaw(kKey, "PVRBufferBegin", 3, std::string("\x07", 1));
    // Longer than a number: unreadable, the default stays.
    m_registry.SetRaw(kKey, "UseHibernate", 3, std::string(8, '\x01'));
    auto& dlg = Init();
    EXPECT_EQ(dlg.m_settings.m_nPvrBufferBegin, 7);
    EXPECT_FALSE(dlg.m_settings.m_bHibernate);
}

TEST_F(Settings, SleepMarginAboveADayCountsAsTheDefault) {
    auto& dlg = Init();
    const std::pair<uint32_t, int> cases[] = {{0, 0}, {1440, 1440}, {1441, 15}, {UINT32_MAX, 15}};
    for (const auto& [stored, margin] : cases) {
        m_registry.SetDword(kKey, "SleepMarginMinutes", stored);
        dlg.m_settings.Load();
        EXPECT_EQ(dlg.m_settings.m_nSleepMarginMinutes, margin) << stored;
    }
    m_registry.SetRaw(kKey, "SleepMarginMinutes", 1, "ten"); // text, not a number
    dlg.m_settings.Load();
    EXPECT_EQ(dlg.m_settings.m_nSleepMarginMinutes, 15);
}

TEST_F(Settings, HibernateIsReadFromUseHibernateAndWrittenToSuspendHibernate) {
    m_registry.SetDword(kKey, "UseHibernate", 0);
    m_registry.SetDword(kKey, "SuspendHibernate", 1);
    auto& dlg = Init();
    EXPECT_FALSE(dlg.m_settings.m_bHibernate); // SuspendHibernate is never read
    m_controls.SetCheck(IDC_HIBERNATE, true);
    dlg.OnHibernateClicked();
    EXPECT_TRUE(dlg.m_settings.m_bHibernate);
    EXPECT_EQ(m_registry.GetDword(kKey, "SuspendHibernate"), 1u);
    EXPECT_EQ(m_registry.GetDword(kKey, "UseHibernate"), 0u);
    m_controls.SetCheck(IDC_HIBERNATE, false);
    dlg.OnHibernateClicked();
    EXPECT_EQ(m_registry.GetDword(kKey, "SuspendHibernate"), 0u);
}

TEST_F(Settings, MinutesAreStoredOnlyWhenTheFieldLosesTheFocus) {
    m_registry.SetDword(kKey, "SuspendTime", 30);
    auto& dlg = Init();
    m_controls.Type(IDC_SUSPEND_MINUTES, "45");
    EXPECT_EQ(m_registry.GetDword(kKey, "SuspendTime"), 30u);
    dlg.OnSuspendMinutesKillFocus();
    EXPECT_EQ(m_registry.GetDword(kKey, "SuspendTime"), 45u);
    EXPECT_EQ(m_progress.Upper(), 45);
    EXPECT_EQ(m_progress.GetPos(), 45);
    EXPECT_TRUE(m_controls.Messages().empty());
}

TEST_F(Settings, MinutesOutOfRangeShowTheMessageAndAreStoredAllTheSame) {
    m_registry.SetDword(kKey, "SuspendTime", 30);
    auto& dlg = Init();
    m_controls.Type(IDC_SUSPEND_MINUTES, "1500");
    dlg.OnSuspendMinutesKillFocus();
    ASSERT_EQ(m_controls.Messages().size(), 1u);
    EXPECT_EQ(m_controls.Messages()[0], "Please enter an integer between 0 and 999.");
    EXPECT_EQ(m_controls.Focused(), IDC_SUSPEND_MINUTES);
    EXPECT_EQ(dlg.m_settings.m_nSuspendMinutes, 1500);
    EXPECT_EQ(m_registry.GetDword(kKey, "SuspendTime"), 1500u);
    EXPECT_EQ(m_progress.Upper(), 1500);
    EXPECT_EQ(m_progress.GetPos(), 1500);
}

TEST_F(Settings, MinutesThatAreNoNumberKeepTheOldValue) {
    m_registry.SetDword(kKey, "SuspendTime", 30);
    auto& dlg = Init();
    m_controls.Type(IDC_SUSPEND_MINUTES, "");
    dlg.OnSuspendMinutesKillFocus();
    ASSERT_EQ(m_controls.Messages().size(), 1u);
    EXPECT_EQ(m_controls.Messages()[0], "Please enter an integer.");
    EXPECT_EQ(m_registry.GetDword(kKey, "SuspendTime"), 30u);
}

TEST_F(Settings, OptionsAreCheckedThenStoredAndUsedAtOnce) {
    m_registry.AddKey(kKey);
    auto& dlg = Init();
    CFakeDialogControls options;
    struct Row {
        int id;
        std::string typed;
        const char* message;
    };
    const Row refused[] = {
        {IDC_OPT_MINUTES, "1000", "Please enter an integer between 0 and 999."},
        {IDC_OPT_MARGIN, "ten", "Please enter an integer."},
        {IDC_OPT_MARGIN, "1441", "Please enter an integer between 0 and 1440."},
        {IDC_OPT_NETWORK, "-1", "Please enter an integer between 0 and 10485760."},
        {IDC_OPT_PROGRAMS, std::string(256, 'p'), "Please enter no more than 255 characters."},
    };
    for (const Row& row : refused) {
        WakeUpOptions shown = dlg.m_settings.Options();
        CWakeUpSettings::ExchangeOptions(options, false, shown);
        options.Type(row.id, row.typed);
        const size_t before = options.Messages().size();
        EXPECT_FALSE(CWakeUpSettings::ExchangeOptions(options, true, shown)) << row.typed;
        ASSERT_EQ(options.Messages().size(), before + 1);
        EXPECT_EQ(options.Messages().back(), row.message);
        EXPECT_EQ(options.Focused(), row.id);
    }
    EXPECT_EQ(m_registry.WriteCount(), 0);

    WakeUpOptions chosen = dlg.m_settings.Options();
    CWakeUpSettings::ExchangeOptions(options, false, chosen);
    options.Type(IDC_OPT_MINUTES, "20");
    options.Type(IDC_OPT_MARGIN, "60");
    options.Type(IDC_OPT_HOST, "C:\\Orvisa\\Orvisa.exe");
    options.Type(IDC_OPT_PROGRAMS, "comskip;ffmpeg.exe");
    options.Type(IDC_OPT_NETWORK, "500");
    options.SetCheck(IDC_OPT_HIBERNATE, true);
    options.SetCheck(IDC_OPT_USER_INPUT, false);
    ASSERT_TRUE(CWakeUpSettings::ExchangeOptions(options, true, chosen));
    EXPECT_TRUE(dlg.UseOptions(chosen));
    EXPECT_EQ(m_registry.GetDword(kKey, "SuspendTime"), 20u);
    EXPECT_EQ(m_registry.GetDword(kKey, "SleepMarginMinutes"), 60u);
    EXPECT_EQ(m_registry.GetDword(kKey, "SuspendHibernate"), 1u);
    EXPECT_FALSE(m_registry.HasValue(kKey, "UseHibernate")); // Orvisa's own
    EXPECT_EQ(m_registry.GetDword(kKey, "CountUserInput"), 0u);
    EXPECT_EQ(m_registry.GetDword(kKey, "NetworkBusyKBps"), 500u);
    EXPECT_EQ(m_registry.GetString(kKey, "HostProgram"), "C:\\Orvisa\\Orvisa.exe");
    EXPECT_EQ(m_registry.GetString(kKey, "KeepAwakePrograms"), "comskip;ffmpeg.exe");
    EXPECT_FALSE(m_registry.HasValue(kKey, "SuspendText")); // unchanged: not written
    // The window's field shows the length, and the countdown, which ran
    // not before (no length was stored), runs from full.
    EXPECT_EQ(m_controls.GetItemText(IDC_SUSPEND_MINUTES), "20");
    EXPECT_EQ(m_progress.Upper(), 20);
    EXPECT_EQ(m_progress.GetPos(), 20);
    const int writes = m_registry.WriteCount();
    EXPECT_TRUE(dlg.UseOptions(chosen));
    EXPECT_EQ(m_registry.WriteCount(), writes);

    // Without Orvisa's key they are used all the same, and the dialog hears
    // that they were not stored.
    m_registry.DeleteKey(kKey);
    chosen.marginMinutes = 5;
    EXPECT_FALSE(dlg.UseOptions(chosen));
    EXPECT_EQ(dlg.m_settings.m_nSleepMarginMinutes, 5);
}
