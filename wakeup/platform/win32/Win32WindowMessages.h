#pragma once
#include <windows.h>

#include <atomic>

#include "wakeup/platform/WindowMessages.h"

class CWin32WindowMessenger : public IWindowMessenger {
public:
    // The dialog's window, once it exists.
    void Attach(HWND dialog) { m_dialog = dialog; }

    bool SendToWindow(const char* title, uint32_t message, uint32_t wParam,
                      int32_t lParam) override;
    bool SendToDialog(uint32_t message, uint32_t wParam, int32_t lParam) override;
    bool PostToDialog(uint32_t message, uint32_t wParam, int32_t lParam) override;

private:
    std::atomic<HWND> m_dialog{nullptr};
};

class CWin32ThreadWait : public IThreadWait {
public:
    bool WaitUntil(const std::function<bool()>& done, uint32_t timeoutMs) override;
    void Pause(uint32_t ms) override;
};
