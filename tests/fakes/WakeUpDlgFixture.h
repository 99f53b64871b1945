#pragma once
// A CWakeUpDlg over in-memory ports, shared by the dialog's tests.
#include <gtest/gtest.h>

#include "tests/fakes/FakePlatform.h"
#include "wakeup/app/WakeUpDlg.h"
#include "wakeup/app/resource.h"

class WakeUpDlgTest : public ::testing::Test {
protected:
    static constexpr const char* kKey = WAKEUP_SETTINGS_KEY;

    CWakeUpDlg& Dlg(const std::string& programPath = "C:\\Orvisa\\orvisawakeup\\kelmarwakeup.exe") {
        if (!m_dlg)
            m_dlg =
                std::make_unique<CWakeUpDlg>(CWakeUpPorts{m_clock, m_dateText, m_registry,
                                                          m_threads, m_log, m_progress, m_controls,
                                                          m_files, m_codePage, m_timers, m_localTime},
                                             programPath);
        return *m_dlg;
    }

    // Creates the dialog and runs its initialisation as the window does.
    CWakeUpDlg& Init() {
        Dlg().UpdateData(false);
        Dlg().OnInitDialog();
        return *m_dlg;
    }

    CFakeClock m_clock;
    CFakeDateText m_dateText;
    CFakeRegistry m_registry;
    CFakeThreadStarter m_threads;
    CFakeLogList m_log;
    CFakeProgressBar m_progress;
    CFakeDialogControls m_controls;
    CFakeFileReader m_files;
    CLeadByteTable m_codePage;
    CFakeWaitableTimers m_timers;
    CFakeLocalTimeConverter m_localTime;
    std::unique_ptr<CWakeUpDlg> m_dlg;
};
