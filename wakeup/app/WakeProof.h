#pragma once
// The proof that the PC wakes: the wake test (a timer of its own two minutes
// ahead, then a sleep), and after every sleep the report of how the PC
// resumed, whether the recording's wake came in time, and what to check
// when a wake failed. On the dialog's thread; what it knows is in the
// night's state.
#include <atomic>
#include <cstdint>
#include <string>

#include "wakeup/app/NightState.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/SleepRequest.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/WaitableTimers.h"

// The wake test's own timer; the recording's timer is left as it is.
#define WAKE_TEST_TIMER_NAME "KelmarWakeTestTimer"

class CWakeProof {
public:
    struct Ports {
        IWaitableTimers& timers;
        const IClock& clock;
        const IDateText& dateText;
        IPower& power;
    };

    // hibernate: the sleep the countdown asks for.
    CWakeProof(const Ports& ports, CWakeUpLog& log, CNightState& night, CScheduleArming& arming,
               CSleepRequests& sleep, const std::atomic<bool>& hibernate);
    ~CWakeProof();
    CWakeProof(const CWakeProof&) = delete;
    CWakeProof& operator=(const CWakeProof&) = delete;

    // Why the test cannot run now; empty when it can. sleepRefusal: why no
    // program can send this PC to sleep, or empty.
    std::string TestRefusal(int marginMinutes, const std::string& sleepRefusal = {}) const;
    // Arms the test's timer and asks for sleep from a thread of its own.
    void StartTest();
    // The test's sleep request returned with the system's error.
    void OnTestRequestDone(uint32_t error);

    // From the power notices: after the suspend notice's arming; each
    // resume notice (userNotice: the one that user input brings), before
    // the night's `suspended` is cleared; at the moments the night's rules
    // name.
    void OnSuspend();
    void OnResume(bool userNotice);
    void OnClockTick();

private:
    void Report(bool automatic);
    // The request failed (error 0: no thread could ask).
    void TestRequestFailed(uint32_t error);
    void EndTest();

    Ports m_ports;
    CWakeUpLog& m_log;
    CNightState& m_night;
    CScheduleArming& m_arming;
    CSleepRequests& m_sleep;
    const std::atomic<bool>& m_hibernate;
    IWaitableTimers::Handle m_testTimer = 0;
};
