#pragma once
// Every private message of the dialog's window, in one place. The worker
// threads reach the dialog's thread only through the first, which the
// window hands to CWakeUpDlg; it keeps the others for itself.
#include <cstdint>

namespace DialogMessage {
constexpr uint32_t kApp = 0x8000; // WM_APP

// Handed to the dialog.
// A worker thread has queued an event for the night (CNightQueue): a scan
// asked for meanwhile, a wake timer's news, a countdown minute, a finished
// sleep request. The dialog steps what is queued, in order.
constexpr uint32_t kNightEvent = kApp + 1;

// The window's own.
// The line under the log has changed: the tooltip takes it.
constexpr uint32_t kNextWakeChanged = kApp + 2;
// Clicks on the icon in the notification area.
constexpr uint32_t kTrayIcon = kApp + 3;
// Lines have come to the log list: it is drawn a moment later.
constexpr uint32_t kLogRedraw = kApp + 6;
} // namespace DialogMessage
