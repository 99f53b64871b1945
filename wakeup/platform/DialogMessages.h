#pragma once
// Every private message of the dialog's window, in one place. The worker
// threads reach the dialog's thread only through these posts; the window
// hands the first group to CWakeUpDlg and keeps the second for itself.
#include <cstdint>

namespace DialogMessage {
constexpr uint32_t kApp = 0x8000; // WM_APP

// Handed to the dialog.
// A scan was asked for while another one was under way; posted by whoever
// lets go of the scan.
constexpr uint32_t kRescan = kApp + 1;
// A wake-timer thread has news (its timer set, refused, fired or let go):
// the dialog takes it from the arming (CScheduleArming::TakeNews).
constexpr uint32_t kWakeTimerNews = kApp + 4;
// The countdown thread's minute has passed; wParam: the error of its timer,
// 0 when it paced the minute.
constexpr uint32_t kCountdownMinute = kApp + 5;
// A sleep request returned; wParam: the system's error (0: the PC slept and
// resumed), lParam: who asked (SleepOrigin).
constexpr uint32_t kSleepRequestDone = kApp + 7;

// The window's own.
// The line under the log has changed: the tooltip takes it.
constexpr uint32_t kNextWakeChanged = kApp + 2;
// Clicks on the icon in the notification area.
constexpr uint32_t kTrayIcon = kApp + 3;
// Lines have come to the log list: it is drawn a moment later.
constexpr uint32_t kLogRedraw = kApp + 6;

// Whether the window hands the message to the dialog.
constexpr bool ForDialog(uint32_t message) {
    return message == kRescan || message == kWakeTimerNews || message == kCountdownMinute ||
           message == kSleepRequestDone;
}
} // namespace DialogMessage
