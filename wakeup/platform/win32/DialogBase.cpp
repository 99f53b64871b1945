#include "wakeup/platform/win32/DialogBase.h"

INT_PTR CDialogBase::DoModal(HWND parent) {
    return DialogBoxParamA(m_instance, MAKEINTRESOURCEA(m_templateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CDialogBase::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

void CDialogBase::SetResult(LRESULT result) {
    SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
}

void CDialogBase::EndDialog(INT_PTR result) {
    ::EndDialog(m_hWnd, result);
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialogBase* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialogBase*>(lParam);
        self->m_hWnd = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<CDialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) find no object yet.
    if (!self)
        return FALSE;
    const INT_PTR result = self->OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY)
        self->m_hWnd = nullptr;
    return result;
}
