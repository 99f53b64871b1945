#pragma once
#include <windows.h>

// The least of a modal dialog framework: a dialog resource run with
// DialogBoxParam, its messages handed to one virtual function.
class CDialogBase {
public:
    CDialogBase(HINSTANCE instance, int templateId)
        : m_instance(instance), m_templateId(templateId) {}
    virtual ~CDialogBase() = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    INT_PTR DoModal(HWND parent = nullptr);

protected:
    // Return TRUE when handled, as a dialog procedure does; a result that
    // is not a plain TRUE/FALSE goes through SetResult. The exceptions are
    // WM_INITDIALOG, WM_QUERYDRAGICON, WM_CTLCOLOR*, WM_COMPAREITEM,
    // WM_VKEYTOITEM and WM_CHARTOITEM, whose answer is the return value.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void SetResult(LRESULT result);
    void EndDialog(INT_PTR result);

    HINSTANCE m_instance;
    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    int m_templateId;
};
