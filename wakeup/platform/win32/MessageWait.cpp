#include "wakeup/platform/win32/MessageWait.h"

DWORD WaitDispatchingMessages(HANDLE handle) {
    // A WM_QUIT met on the way is kept aside and posted again once the wait
    // ends, with its exit code: the thread's own message loop must still see
    // it and end. Stopping the draining at it instead would leave the
    // messages behind it (the one waited for among them) undispatched, and
    // the wait would never end.
    bool quit = false;
    WPARAM quitCode = 0;
    DWORD result;
    for (;;) {
        result =
            MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0 || result == WAIT_FAILED)
            break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (quit)
        PostQuitMessage(static_cast<int>(quitCode));
    return result;
}
