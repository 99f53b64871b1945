#pragma once
// The schedule scan and the arming of the wake timer, handed over between
// the dialog's thread and one wake-timer thread per arming: every request
// scans on the dialog's thread; a new future target goes to a wake-timer
// thread, which sets the timer and waits for it. While a scan or its arming
// is under way, a further request is kept and served once that is done.
#include <atomic>
#include <cstdint>
#include <string>

#include "wakeup/app/WakeUpLog.h"
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/CodePage.h"
#include "wakeup/platform/DateText.h"
#include "wakeup/platform/DateTime.h"
#include "wakeup/platform/DialogControls.h"
#include "wakeup/platform/FileReader.h"
#include "wakeup/platform/Power.h"
#include "wakeup/platform/Threads.h"
#include "wakeup/platform/WaitableTimers.h"
#include "wakeup/platform/WindowMessages.h"
#include "wakeup/schedule/WakeTimer.h"

// What the window shows of the wake timer: "Next wake: <time>", or "No
// recording scheduled" when nothing is armed (empty target text).
std::string NextWakeText(const std::string& targetText);

class CScheduleArming {
public:
    // Private to the dialog's window: asks the dialog's thread for a scan
    // (WM_APP + 1). The window hands it back to Scan.
    static constexpr uint32_t kRescanMessage = 0x8001;
    // How long a sleep waits for the wake timer to be set.
    static constexpr uint32_t kArmingTimeoutMs = 5000;

    struct Ports {
        IFileReader& files;
        const ICodePage& codePage;
        const IClock& clock;
        const IDateText& dateText;
        IWaitableTimers& timers;
        const ILocalTimeConverter& localTime;
        IThreadStarter& threads;
        IWindowMessenger& messenger;
        IThreadWait& wait;
        IPower& power;             // the plan's wake-timer setting
        IDialogControls& controls; // the hidden edit
    };

    // hostDir holds the schedule; leadMinutes is read at every scan.
    CScheduleArming(const Ports& ports, CWakeUpLog& log, const std::string& hostDir,
                    const int& leadMinutes);
    CScheduleArming(const CScheduleArming&) = delete;
    CScheduleArming& operator=(const CScheduleArming&) = delete;

    // The wake-timer threads run proc(param), which must call ArmWakeTimer
    // (by default: this object's own).
    void UseThreadEntry(IThreadStarter::ThreadProc proc, void* param);

    // On the dialog's thread.
    void Scan();
    // On the dialog's thread: true once no scan or arming is under way or
    // asked for, the latest request served; false when that takes too long.
    bool WaitForArming();
    // From another thread: has the dialog's thread scan, then waits until
    // the arming is done; false when the dialog is gone or that takes too
    // long. A set `stop` ends the wait at once.
    bool ScanAndWaitFromWorker(const std::atomic<bool>& stop);
    // The wake-timer thread's work: arms the timer for m_nextStart and waits
    // for it. With `stop` set, it ends without a word (the log is gone).
    void ArmWakeTimer(const std::atomic<bool>& stop);

    // Set by the scan, cleared by the scan or by the wake-timer thread.
    std::atomic<bool> m_scanBusy{false};
    // A scan was asked for while another one held m_scanBusy.
    std::atomic<bool> m_scanPending{false};
    // The wake target of the last scan, read by the wake-timer thread.
    CDateTime m_nextStart;
    // The target the wake timer was last started for.
    CDateTime m_armedStart;

private:
    // Gives the scan up; a request that came meanwhile is served by a fresh
    // scan on the dialog's thread.
    void ReleaseScan();

    Ports m_ports;
    CWakeUpLog& m_log;
    const std::string& m_hostDir;
    const int& m_leadMinutes;
    CWakeTimer m_wakeTimer;
    IThreadStarter::ThreadProc m_threadProc;
    void* m_threadParam;
};
