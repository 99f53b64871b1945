#pragma once
// The dialog's parts without the dialog, over in-memory ports, wired as the
// dialog wires them. The threads they start run when the test says, and
// what those queue reaches the night when the test delivers the post.
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
        // The window's hook: what the workers post or send.
        m_messenger.SetDialog([this](uint32_t message, uint32_t wParam, int32_t lParam) {
            intptr_t result = 0;
            m_events.WindowProc(message, wParam, lParam, &result);
        });
    }

    static constexpr IThreadStarter::ThreadProc ArmingEntry = CScheduleArming::ThreadEntry;

    // The start of the settings and the countdown, as the dialog's
    // initialisation makes it.
    void Init() {
        if (m_settings.Load()) {
            m_settings.Exchange(false);
            m_events.Step(NightEvent(NightEvent::countdownStart));
            m_countdown.Start();
        }
        m_settings.Exchange(false);
        m_events.Step(NightEvent(NightEvent::hostLookup));
    }

    // The event handling as the window calls it: the answer that replaces
    // the base procedure's, or 0 (the base's answer) when it does not.
    intptr_t Send(uint32_t message, uint32_t wParam, int32_t lParam) {
        intptr_t result = 0;
        return m_events.WindowProc(message, wParam, lParam, &result) ? result : 0;
    }
    // A scan asked for, as a scan notice from the arming brings it.
    void Scan() { m_events.Step(NightEvent(NightEvent::rescan)); }
    void ClockTick() { m_events.Step(NightEvent(NightEvent::clockTick)); }
    // Why the wake test cannot run now, with this margin.
    std::string Refusal(int marginMinutes) {
        m_settings.m_nSleepMarginMinutes = marginMinutes;
        return m_events.WakeTestRefusal();
    }

    std::string m_hostDir = kHostDir;
    std::atomic<bool> m_stop{false};
    CWakeUpLog m_wakeUpLog{m_clock, m_dateText, m_log, m_logFile};
    CWakeUpSettings m_settings{m_registry, m_controls};
    CNightState m_night;
    CNightQueue m_queue{m_messenger};
    CWakeStatus m_status{m_controls};
    CScheduleArming m_arming{ArmingPorts(), m_queue, m_hostDir, m_settings.m_nPvrBufferBegin,
                             m_stop};
    CKeepAwake m_keepAwake{{m_power, m_session}, m_status};
    CSleepRequests m_sleep{{m_power, m_threads}, m_queue, m_stop};
    CAutoSuspend m_countdown{CountdownPorts(), m_queue, m_stop};
    CWakeProof m_proof{ProofPorts()};
    CHostEventHandler m_events{EventPorts(), {m_arming, m_keepAwake, m_countdown, m_sleep, m_proof},
                               m_wakeUpLog,  m_night,
                               m_queue,      m_settings,
                               m_hostDir};
};

class WakeUpPartsTest : public ::testing::Test, public CWakeUpParts {};
