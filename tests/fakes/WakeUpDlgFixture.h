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
        if (!m_dlg) {
            m_dlg = std::make_unique<CWakeUpDlg>(
                CWakeUpPorts{m_clock, m_dateText, m_registry, m_threads, m_log, m_progress,
                             m_controls, m_files, m_codePage, m_timers, m_localTime, m_power,
                             m_processes, m_messenger, m_wait, m_watcher, m_session},
                programPath);
            // The window exists from here on: sends and posts reach the
            // dialog's hook, found by its title as well.
            m_messenger.SetDialog("OrvisaWakeUp",
                                  [this](uint32_t message, uint32_t wParam, int32_t lParam) {
                                      intptr_t result = 0;
                                      m_dlg->WindowProc(message, wParam, lParam, &result);
                                  });
        }
        return *m_dlg;
    }

    // WindowProc as the window calls it: the answer that replaces the base
    // procedure's, or 0 (the base's answer) when it does not.
    intptr_t Send(uint32_t message, uint32_t wParam, int32_t lParam) {
        intptr_t result = 0;
        return Dlg().WindowProc(message, wParam, lParam, &result) ? result : 0;
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
    CFakePower m_power;
    CFakeProcessStarter m_processes;
    CFakeWindowMessenger m_messenger;
    CFakeThreadWait m_wait;
    CFakeDirectoryWatcher m_watcher;
    CFakeSession m_session;
    std::unique_ptr<CWakeUpDlg> m_dlg;
};
