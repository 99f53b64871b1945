#pragma once
// A CWakeUpDlg over in-memory ports, for the tests of what the dialog itself
// wires: its start, its watch, its data exchange and its log.
#include "tests/fakes/FakePortsFixture.h"
#include "wakeup/app/WakeUpDlg.h"
#include "wakeup/app/resource.h"

class WakeUpDlgTest : public FakePortsTest {
protected:
    CWakeUpDlg& Dlg(const std::string& programPath = "C:\\Orvisa\\orvisawakeup\\kelmarwakeup.exe") {
        if (!m_dlg) {
            m_dlg = std::make_unique<CWakeUpDlg>(
                CWakeUpPorts{ArmingPorts(), CountdownPorts(), EventPorts(), m_messenger, m_log,
                             m_logFile, m_registry, m_watcher, m_session},
                programPath);
            // The window exists from here on: sends and posts reach the
            // dialog's hook, found by its title as well.
            m_messenger.SetDialog([this](uint32_t message, uint32_t wParam, int32_t lParam) {
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

    std::unique_ptr<CWakeUpDlg> m_dlg;
};
