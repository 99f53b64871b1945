// What the dialog's initialisation adds to the settings: the host's message
// let through the window's filter, the machine's sleep states, the session.
#include "tests/fakes/WakeUpDlgFixture.h"

#include "common/WakeupMessages.h"

namespace {
class Start : public WakeUpDlgTest {};
} // namespace

TEST_F(Start, LetsTheHostThroughAndTellsWhatKeepsThePcFromWakingOrCounting) {
    SleepCapabilities noWake;
    noWake.standby[2] = true; // S3, but the clock wakes from nothing
    m_power.SetSleepCapabilities(noWake);
    m_session.SetAtConsole(false);
    Init();
    EXPECT_EQ(m_messenger.AllowedFromLowerIntegrity(), std::vector<uint32_t>{WAKEUP_MESSAGE});
    const auto lines = Messages();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("This PC has no sleep state that a timer can wake it from", 0), 0u);
    EXPECT_EQ(lines[1], "Auto-suspend paused: this session is not at the console");
    EXPECT_TRUE(m_dlg->m_night.awayFromConsole);

    m_log.Clear();
    m_dlg.reset();
    m_power.SetSleepCapabilities(SleepCapabilities{{false, false, true}, false, false, false, 4});
    m_session.SetAtConsole(true);
    m_messenger.FailFilter(5);
    Init();
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Unable to let the host's messages through: error 5"});
}
