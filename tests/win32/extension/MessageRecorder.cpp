#include "tests/win32/extension/MessageRecorder.h"

namespace {
const char kOtherClassName[] = "WakeupMessageRecorder";
} // namespace

CMessageRecorder::CMessageRecorder(const char* title, Kind kind) {
    const char* className = WAKEUP_WINDOW_CLASS;
    if (kind == Kind::otherClass) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kOtherClassName;
        RegisterClassA(&windowClass); // fails harmlessly once it is registered
        className = kOtherClassName;
    }
    // Top-level and not message-only: FindWindow does not see message-only
    // windows. The class's own procedure is replaced, and kept for the
    // messages that are not recorded.
    m_window = CreateWindowExA(0, className, title, WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!m_window)
        return;
    SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_classProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CMessageRecorder::WindowProc)));
}

CMessageRecorder::~CMessageRecorder() {
    if (m_window)
        DestroyWindow(m_window);
}

LRESULT CALLBACK CMessageRecorder::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* self = reinterpret_cast<CMessageRecorder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WAKEUP_MESSAGE && wParam == WAKEUP_MSG_HOST_PROCESS) {
        self->m_hostProcesses.push_back(lParam);
        return 0;
    }
    if (message == WAKEUP_MESSAGE) {
        self->m_messages.push_back({wParam, lParam});
        return 0;
    }
    return CallWindowProcA(self->m_classProc, window, message, wParam, lParam);
}
