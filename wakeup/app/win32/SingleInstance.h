#pragma once
// One scheduler per logon session: two would both count down, and the host's
// events would reach only one of them, so the other would send the PC to
// sleep during a recording.
#include <windows.h>

#include "common/win32/Owners.h"

class CSingleInstance {
public:
    // Takes the session's scheduler lock. When another scheduler of this
    // session holds it, brings that one's window to the front instead
    // (unless told not to: a script's request is not the user's).
    explicit CSingleInstance(bool bringToFront = true);
    // The first scheduler's window, found once this one is not the first;
    // null when it was not found.
    HWND Running() const { return m_running; }
    // False: another scheduler runs in this session; this one must end.
    bool First() const { return m_owned; }

private:
    void Found(HWND window);

    CUniqueHandle m_lock;
    bool m_owned = false;
    HWND m_running = nullptr;
    bool m_bringToFront;
};
