#pragma once
#include <windows.h>

#include "common/win32/Owners.h"
#include "wakeup/platform/Session.h"

class CWin32Session : public ISession {
public:
    bool AtConsole() override;
    bool MillisecondsSinceInput(uint32_t& ms) override;
    void SetRecordingMark(bool recording) override;
    bool OtherSessionRecording() override;
    // The window gets WM_WTSSESSION_CHANGE for this session from now on,
    // until Detach.
    void Attach(HWND window);
    void Detach();

private:
    HWND m_window = nullptr;
    CUniqueHandle m_mark;
};
