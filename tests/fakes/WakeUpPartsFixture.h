#pragma once
// The dialog's parts without the dialog, over in-memory ports, wired as the
// dialog wires them. The threads they start run when the test says, and
// what those post reaches the parts when the test delivers it.
// CWakeUpParts is one scheduler; a test may run several side by side.
#include <atomic>
#include <memory>

#include "tests/fakes/FakePortsFixture.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/app/WakeUpSettings.h"
#include "wakeup/platform/DialogMessages.h"

struct CWakeUpParts : CFakePorts {
    static constexpr const char* kHostDir = "C:\\Orvisa";

    CWakeUpParts() {
        m_arming.UseThreadEntry(ArmingEntry, this);
        // The window's hook: what the workers post or send.
        m_messenger.SetDialog("OrvisaWakeUp",
                              [this](uint32_t message, uint32_t wParam, int32_t lParam) {
                                  intptr_t result = 0;
                                  m_events.WindowProc(message, wParam, lParam, &result);
                              });
    }

    static unsigned ArmingEntry(void* parts) {
        auto* self = static_cast<CWakeUpParts*>(parts);
        self->m_arming.ArmWakeTimer(self->m_stop);
        return 0u;
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
    CNightState m_night;
    CWakeStatus m_status{m_controls};
    CScheduleArming m_arming{ArmingPorts(), m_wakeUpLog, m_night,
                             m_status,      m_hostDir,   m_settings.m_nPvrBufferBegin};
    CKeepAwake m_keepAwake{{m_power, m_session, m_dateText, m_clock},
                           m_night,
                           m_status,
                           m_settings.m_nSleepMarginMinutes};
    CSleepRequests m_sleep{{m_power, m_threads, m_messenger}, m_stop};
    CAutoSuspend m_countdown{CountdownPorts(), m_wakeUpLog, m_settings, m_night, m_arming,
                             m_keepAwake,      m_sleep,     m_hostDir,  m_stop};
    CWakeProof m_proof{ProofPorts(), m_wakeUpLog, m_night,
                       m_arming,     m_sleep,     m_settings.m_bHibernate};
    CHostEventHandler m_events{EventPorts(), m_wakeUpLog, m_night, m_keepAwake,
                               m_countdown,  m_arming,    m_proof, m_hostDir};
};

class WakeUpPartsTest : public ::testing::Test, public CWakeUpParts {};
