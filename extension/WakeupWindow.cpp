#include "extension/WakeupWindow.h"

HWND FindWakeupWindow() {
    return FindWindowA(WAKEUP_WINDOW_CLASS, WAKEUP_WINDOW_TITLE);
}

void SendWakeupMessage(HWND window, WakeupMessageKind kind, LONG value) {
    if (!window)
        return;
    SendMessageA(window, WAKEUP_MESSAGE, static_cast<WPARAM>(kind), static_cast<LPARAM>(value));
}
