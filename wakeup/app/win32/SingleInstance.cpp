#include "wakeup/app/win32/SingleInstance.h"

#include "common/WakeupMessages.h"
#include "wakeup/app/WakeUpDlg.h"

namespace {
// In the session's own namespace: other users' schedulers are theirs.
const char kLockName[] = "Local\\OrvisaWakeUp.Scheduler";
// How long a second start waits for the first one's window, or for a first
// one that is just ending to let go of the lock: longer than the first one's
// end may take (its wait for its threads, then for the log file's lines).
constexpr DWORD kHandOverMs = CWakeUpDlg::kStopTimeoutMs + 5000;
constexpr DWORD kSliceMs = 100;

} // namespace

void CSingleInstance::Found(HWND window) {
    m_running = window;
    if (!m_bringToFront)
        return;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

CSingleInstance::CSingleInstance(bool bringToFront)
    : m_lock(CreateMutexA(nullptr, TRUE, kLockName)), m_bringToFront(bringToFront) {
    if (!m_lock) {
        // A scheduler run as administrator holds a lock that this one may
        // not open: it runs, and this one ends.
        if (GetLastError() == ERROR_ACCESS_DENIED) {
            if (HWND running = FindWindowA(WAKEUP_WINDOW_CLASS, WAKEUP_WINDOW_TITLE))
                Found(running);
            return;
        }
        // No lock to be had at all: better two schedulers than none.
        m_owned = true;
        return;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        m_owned = true;
        return;
    }
    // The lock is the first scheduler's for as long as its process lives. A
    // first one that is ending (its window gone already) lets go of it soon:
    // then this one takes over rather than leaving the session without one.
    for (DWORD waited = 0; waited < kHandOverMs; waited += kSliceMs) {
        const DWORD result = WaitForSingleObject(m_lock.Get(), kSliceMs);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            m_owned = true;
            return;
        }
        if (HWND running = FindWindowA(WAKEUP_WINDOW_CLASS, WAKEUP_WINDOW_TITLE)) {
            Found(running);
            return;
        }
    }
    // A first one without a window all this time (its start-up message box
    // is open): it runs, so this one ends.
}
