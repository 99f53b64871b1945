#pragma once
// The schedule scan and the arming of the wake timer, handed over between
// the dialog's thread and one wake-timer thread per arming: every request
// scans on the dialog's thread; a new future target goes to a wake-timer
// thread, which sets the timer and waits for it. While a scan or its arming
// is under way, a further request is kept and served once that is done.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "wakeup/app/WakeStatus.h"
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

class CScheduleArming {
public:
    // Private to the dialog's window: asks the dialog's thread for a scan
    // (WM_APP + 1). The window hands it back to Scan.
    static constexpr uint32_t kRescanMessage = 0x8001;
    // Private to the dialog's window: the wake timer fired (WM_APP + 4),
    // posted by the wake-timer thread. The window hands it to the event
    // handling, which takes it with TakeFiredWake.
    static constexpr uint32_t kWakeFiredMessage = 0x8004;
    // How long a sleep waits for the wake timer to be set.
    static constexpr uint32_t kArmingTimeoutMs = 5000;
    // The system gives the suspend notice about two seconds; the whole
    // handling stays within one and a half.
    static constexpr uint32_t kSuspendArmingTimeoutMs = 1200;

    // A wake the timer is armed for: its target (the start less the lead
    // time), the recording's start, and the moment the timer is due (unset
    // until its thread has set it). An unset target: nothing armed.
    struct Wake {
        CDateTime target;
        CDateTime recordingStart;
        CDateTime due;
    };

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
    // The clock or the time zone has changed (WM_TIMECHANGE): the armed
    // target is the same local moment, but its due time, fixed in UTC when
    // it was set, is not. Scans, and arms the target even where it stays.
    void RearmForNewClock();
    // On the dialog's thread: the machine is about to sleep (from the
    // suspend notice to the next resume notice).
    void SetSleepComing(bool coming) { m_bSleepComing = coming; }
    // On the dialog's thread: true once no scan or arming is under way or
    // asked for, the latest request served; false when that takes too long.
    bool WaitForArming(uint32_t timeoutMs = kArmingTimeoutMs);
    // On the dialog's thread, for kWakeFiredMessage: the recording the
    // timer fired for; false when there is none to take. That wake no
    // longer counts as armed, and once the recording's start has passed the
    // schedule is scanned again (OnClockTick), so that the next recording
    // is armed without a change of the file.
    bool TakeFiredWake(CDateTime& recordingStart);
    // On the dialog's thread, at the moment NextTick names.
    void OnClockTick();
    // When OnClockTick will scan; false when it waits for nothing.
    bool NextTick(CDateTime& at) const;
    // From any thread: the wake armed now.
    Wake ArmedWake() const;
    // The line under the log and the tooltip.
    CWakeStatus& Status() { return m_status; }
    // From any thread: a timer was set with the resume option, which the
    // machine cannot honour. Logged once per run, with what to check.
    void ReportTimerUnsupported();
    // From any thread: the start of the armed recording when its wake is
    // less than `minutes` away, as the log writes dates; empty otherwise.
    std::string RecordingWithin(int minutes) const;
    // The start of the recording whose wake is armed, as the log writes
    // dates, and the whole minutes until it; false when none is armed.
    bool ArmedRecording(std::string& start, int64_t& minutesAway) const;
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
    // The wake target of the last scan, read by the wake-timer thread, and
    // its recording's start.
    CDateTime m_nextStart;
    CDateTime m_nextRecording;
    // The target the wake timer was last started for, and its recording's
    // start; written under m_wakeLock, which other threads read them under.
    CDateTime m_armedStart;
    CDateTime m_armedRecording;

private:
    // Gives the scan up; a request that came meanwhile is served by a fresh
    // scan on the dialog's thread.
    void ReleaseScan();
    void SetArmed(const CDateTime& target, const CDateTime& recordingStart);

    bool m_bSleepComing = false;
    // Set by a change of the clock: the next scan arms its target anew.
    std::atomic<bool> m_bClockChanged{false};
    std::atomic<bool> m_bToldUnsupported{false};
    mutable std::mutex m_wakeLock;
    // The armed wake's due moment, once its thread has set the timer.
    CDateTime m_armedDue;
    // The wake the timer fired for, until the dialog's thread takes it.
    bool m_bFired = false;
    Wake m_fired;
    // Once this start has passed, the dialog's thread scans again.
    CDateTime m_rescanAfter;
    // The target of the last fired wake (the dialog's thread's own): a
    // rescan before it passes arms it again only for a sleep, or it would
    // fire a second time for the same recording.
    CDateTime m_firedTarget;
    // The last scan's next recording and its wake target, under m_wakeLock:
    // within the recording's lead time nothing is armed, and the margin
    // still counts it.
    Wake m_upcoming;

    Ports m_ports;
    CWakeStatus m_status;
    CWakeUpLog& m_log;
    const std::string& m_hostDir;
    const int& m_leadMinutes;
    CWakeTimer m_wakeTimer;
    IThreadStarter::ThreadProc m_threadProc;
    void* m_threadParam;
};
