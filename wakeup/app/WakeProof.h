#pragma once
// The proof that the PC wakes: the wake test (a timer of its own two minutes
// ahead, then a sleep), and after every sleep the report of how the PC
// resumed, whether the recording's wake came in time, and what to check
// when a wake failed.
#include <atomic>
#include <cstdint>
#include <string>

#include "wakeup/app/HostState.h"
#include "wakeup/app/ScheduleArming.h"
#include "wakeup/app/WakeUpLog.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/platform/WaitableTimers.h"
#include "wakeup/platform/WindowMessages.h"

// The wake test's own timer; the recording's timer is left as it is.
#define WAKE_TEST_TIMER_NAME "KelmarWakeTestTimer"

class CWakeProof {
public:
    // Private to the dialog's window (WM_APP + 7): the wake test's
    // sleep request failed, the system's error in wParam.
    static constexpr uint32_t kTestRequestFailedMessage = 0x8007;
    // The wake test's timer is due this long after the test starts.
    static constexpr int kTestMinutes = 2;
    // An automatic resume notice is taken as the machine's own when no
    // user's resume notice follows within this time.
    static constexpr int kResumeSettleSeconds = 5;

    struct Ports {
        IWaitableTimers& timers;
        const ILocalTimeConverter& localTime;
        const IClock& clock;
        const IDateText& dateText;
        IPower& power;
        IThreadStarter& threads;
        IWindowMessenger& messenger;
    };

    // hibernate: the sleep the countdown asks for.
    CWakeProof(const Ports& ports, CWakeUpLog& log, CScheduleArming& arming,
               const std::atomic<bool>& hibernate);
    ~CWakeProof();
    CWakeProof(const CWakeProof&) = delete;
    CWakeProof& operator=(const CWakeProof&) = delete;

    // The request thread runs proc(param), which must call RequestSleep
    // (by default: this object's own).
    void UseThreadEntry(IThreadStarter::ThreadProc proc, void* param);

    // On the dialog's thread. Why the test cannot run now; empty when it can.
    // sleepRefusal: why no program can send this PC to sleep, or empty.
    std::string TestRefusal(const CHostState& host, int marginMinutes,
                            const std::string& sleepRefusal = {}) const;
    // Arms the test's timer and asks for sleep from a thread of its own.
    void StartTest();
    // The request thread's work.
    void RequestSleep();
    void OnTestRequestFailed(uint32_t error);

    // On the dialog's thread, from the power notices: after the suspend
    // notice's arming; each resume notice (userNotice: the one that user
    // input brings); at the moments NextTick names.
    void OnSuspend();
    void OnResume(bool userNotice);
    void OnClockTick();
    // When OnClockTick will report or judge; false when it waits for nothing.
    bool NextTick(CDateTime& at) const;

private:
    void Report(bool automatic);
    void EndTest();
    bool TestUnderWay() const { return m_testTimer != 0; }
    // When an automatic resume is reported without a user's notice.
    CDateTime ReportDue() const {
        return m_resumedAt + CDateTimeSpan(0, 0, 0, kResumeSettleSeconds);
    }
    // After this a test whose PC never slept has failed.
    CDateTime TestGivenUpAfter() const {
        return m_testDue + CDateTimeSpan(0, 0, 0, kSlowResumeSeconds);
    }

    Ports m_ports;
    CWakeUpLog& m_log;
    CScheduleArming& m_arming;
    const std::atomic<bool>& m_hibernate;
    IThreadStarter::ThreadProc m_threadProc;
    void* m_threadParam;
    IWaitableTimers::Handle m_testTimer = 0;
    CDateTime m_testDue;
    // Between the suspend notice and the first resume notice.
    bool m_bAsleep = false;
    // The wake armed at the suspend, and whether the test was under way.
    CScheduleArming::Wake m_sleptWith;
    bool m_bTestAtSleep = false;
    // An automatic resume notice came at m_resumedAt; the report waits
    // for a user's notice or the settle time.
    bool m_bResumePending = false;
    CDateTime m_resumedAt;
};
