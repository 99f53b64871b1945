#include "tests/win32/extension/MessageRecorder.h"

namespace {
const char kClassName[] = "WakeupMessageRecorder";
} // namespace

CMessageRecorder::CMessageRecorder(const char* title) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass); // fails harmlessly once it is registered
    // Top-level and not message-only: FindWindow does not see message-only
    // windows.
    m_window = CreateWindowExA(0, kClassName, title, WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), this);
}

CMessageRecorder::~CMessageRecorder() {
    if (m_window)
        DestroyWindow(m_window);
}

LRESULT CALLBACK CMessageRecorder::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CMessageRecorder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WAKEUP_MESSAGE && self) {
        self->m_messages.push_back({wParam, lParam});
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
