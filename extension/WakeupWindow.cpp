#include "extension/WakeupWindow.h"

#include <atomic>

namespace {
// The scheduler window last told the host's process id: a scheduler started
// after the host, or started again, has a new window and is told anew.
std::atomic<HWND> g_toldWindow{nullptr};
} // namespace

HWND FindWakeupWindow() {
    return FindWindowA(WAKEUP_WINDOW_CLASS, WAKEUP_WINDOW_TITLE);
}

void SendWakeupMessage(HWND window, WakeupMessageKind kind, LONG value) {
    if (!window)
        return;
    if (g_toldWindow.exchange(window) != window)
        SendMessageA(window, WAKEUP_MESSAGE, static_cast<WPARAM>(WAKEUP_MSG_HOST_PROCESS),
                     static_cast<LPARAM>(GetCurrentProcessId()));
    SendMessageA(window, WAKEUP_MESSAGE, static_cast<WPARAM>(kind), static_cast<LPARAM>(value));
}
