#pragma once
#include <windows.h>

#include <atomic>

#include "wakeup/platform/WindowMessages.h"

class CWin32WindowMessenger : public IWindowMessenger {
public:
    // ChangeWindowMessageFilterEx (Windows 7 and later).
    using ChangeFilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);

    // The message filter function is looked up in the system when none is
    // given; where the system has none, nothing is filtered.
    explicit CWin32WindowMessenger(ChangeFilterFn changeFilter = LookUpChangeFilter());
    // The dialog's window, once it exists.
    void Attach(HWND dialog) { m_dialog = dialog; }

    bool SendToDialog(uint32_t message, uint32_t wParam, int32_t lParam) override;
    bool PostToDialog(uint32_t message, uint32_t wParam, int32_t lParam) override;
    uint32_t AllowFromLowerIntegrity(uint32_t message) override;

    static ChangeFilterFn LookUpChangeFilter();

private:
    std::atomic<HWND> m_dialog{nullptr};
    ChangeFilterFn m_changeFilter;
};

class CWin32ThreadWait : public IThreadWait {
public:
    // stop: an event whose signal ends every pause (none: pauses run out).
    explicit CWin32ThreadWait(HANDLE stop = nullptr) : m_stop(stop) {}
    bool WaitUntil(const std::function<bool()>& done, uint32_t timeoutMs) override;
    void Pause(uint32_t ms) override;

private:
    HANDLE m_stop;
};
