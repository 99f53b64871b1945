#pragma once
// The dialog's parts without the dialog, over in-memory ports: the log, the
// settings, the scan and arming, the countdown and the event handling, wired
// as the dialog wires them. The threads they start run when the test says.
// CWakeUpParts is one scheduler; a test may run several side by side.
#include <atomic>
#include <memory>

#include "tests/fakes/FakePortsFixture.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/app/WakeUpSettings.h"

struct CWakeUpParts : CFakePorts {
    static constexpr const char* kHostDir = "C:\\Orvisa";

    CWakeUpParts() {
        m_arming.UseThreadEntry(
            [](void* test) {
                auto* self = static_cast<CWakeUpParts*>(test);
                self->m_arming.ArmWakeTimer(self->m_stop);
                return 0u;
            },
            this);
        // The window's hook: the rescan the arming posts or sends.
        m_messenger.SetDialog("OrvisaWakeUp",
                              [this](uint32_t message, uint32_t wParam, int32_t lParam) {
                                  intptr_t result = 0;
                                  m_events.WindowProc(message, wParam, lParam, &result);
                              });
    }

    // The start of the settings and the countdown, as the dialog's
    // initialisation makes it.
    void Init() {
        if (m_settings.Load()) {
            m_settings.Exchange(false);
            m_countdown.Start();
        }
        m_settings.Exchange(false);
    }

    // The event handling as the window calls it: the answer that replaces
    // the base procedure's, or 0 (the base's answer) when it does not.
    intptr_t Send(uint32_t message, uint32_t wParam, int32_t lParam) {
        intptr_t result = 0;
        return m_events.WindowProc(message, wParam, lParam, &result) ? result : 0;
    }

    std::string m_hostDir = kHostDir;
    std::atomic<bool> m_stop{false};
    CWakeUpLog m_wakeUpLog{m_clock, m_dateText, m_log, m_logFile};
    CWakeUpSettings m_settings{m_registry, m_controls};
    CHostState m_host;
    CScheduleArming m_arming{ArmingPorts(), m_wakeUpLog, m_hostDir, m_settings.m_nPvrBufferBegin};
    CAutoSuspend m_countdown{CountdownPorts(), m_wakeUpLog, m_settings, m_host,
                             m_arming,         m_hostDir,   m_stop};
    CWakeProof m_proof{ProofPorts(), m_wakeUpLog, m_arming, m_settings.m_bHibernate};
    CHostEventHandler m_events{EventPorts(), m_wakeUpLog, m_host,   m_countdown,
                               m_arming,     m_proof,     m_hostDir};
};

class WakeUpPartsTest : public ::testing::Test, public CWakeUpParts {};
