#include "wakeup/platform/win32/Win32Controls.h"

#include <commctrl.h>

CWin32LogList::~CWin32LogList() {
    if (m_measure)
        DeleteDC(m_measure);
}

void CWin32LogList::Redraw() {
    m_bFrozen = false;
    const int select = m_selectAtRedraw.exchange(-1);
    if (select >= 0) {
        SetScrollPos(m_list, SB_VERT, select, FALSE);
        SendMessageA(m_list, LB_SETCURSEL, static_cast<WPARAM>(select), 0);
    }
    SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
    // The frame too: the scroll bar's position changed without a redraw.
    RedrawWindow(m_list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void CWin32LogList::AddString(const std::string& line) {
    if (!m_bFrozen.exchange(true)) {
        SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
        // A null parent would make the post a message to this thread.
        const HWND parent = GetParent(m_list);
        if (!parent || !PostMessageA(parent, kRedrawMessage, 0, 0))
            Redraw();
    }
    SendMessageA(m_list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    // A list box scrolls sideways only as far as it is told.
    const int width = TextWidth(line) + GetSystemMetrics(SM_CXEDGE) * 2;
    int widest = m_widestLine;
    while (width > widest && !m_widestLine.compare_exchange_weak(widest, width)) {
    }
    if (width > widest)
        SendMessageA(m_list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(width), 0);
}

int CWin32LogList::TextWidth(const std::string& line) {
    const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(m_list, WM_GETFONT, 0, 0));
    std::lock_guard<std::mutex> lock(m_measureLock);
    if (!m_measure)
        m_measure = CreateCompatibleDC(nullptr);
    if (!m_measure)
        return 0;
    const HGDIOBJ old = font ? SelectObject(m_measure, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32A(m_measure, line.c_str(), static_cast<int>(line.size()), &size);
    if (old)
        SelectObject(m_measure, old);
    return size.cx;
}

int CWin32LogList::GetCount() {
    return static_cast<int>(SendMessageA(m_list, LB_GETCOUNT, 0, 0));
}

void CWin32LogList::DeleteString(int index) {
    SendMessageA(m_list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void CWin32LogList::ShowAndSelect(int index) {
    // Within a burst, with the burst's drawing (Redraw).
    if (m_bFrozen) {
        m_selectAtRedraw = index;
        return;
    }
    // The bar is drawn with the list, once per burst (Redraw): drawn here
    // it cost milliseconds a line under Wine.
    SetScrollPos(m_list, SB_VERT, index, FALSE);
    SendMessageA(m_list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void CWin32ProgressBar::SetRange(int lower, int upper) {
    SendMessageA(m_bar, PBM_SETRANGE, 0, MAKELPARAM(lower, upper));
}

void CWin32ProgressBar::SetStep(int step) {
    SendMessageA(m_bar, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void CWin32ProgressBar::StepIt() {
    SendMessageA(m_bar, PBM_STEPIT, 0, 0);
}

int CWin32ProgressBar::GetPos() {
    return static_cast<int>(SendMessageA(m_bar, PBM_GETPOS, 0, 0));
}

void CWin32ProgressBar::SetPos(int pos) {
    SendMessageA(m_bar, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

bool CWin32ProgressBar::OnScreen() {
    // The dialog's style, shown and not minimised: read in the process, with
    // no message to the dialog's thread (IsWindowVisible would ask Wine's
    // server for the chain of parents). The bar itself is always visible.
    const LONG style = GetWindowLongA(GetParent(m_bar), GWL_STYLE);
    return (style & WS_VISIBLE) != 0 && (style & WS_MINIMIZE) == 0;
}

std::string CWin32DialogControls::GetItemText(int id) {
    HWND item = GetDlgItem(m_dialog, id);
    const int length = GetWindowTextLengthA(item);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(item, &text[0], length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void CWin32DialogControls::SetItemText(int id, const std::string& text) {
    SetDlgItemTextA(m_dialog, id, text.c_str());
}

bool CWin32DialogControls::GetCheck(int id) {
    return IsDlgButtonChecked(m_dialog, id) == BST_CHECKED;
}

void CWin32DialogControls::SetCheck(int id, bool checked) {
    CheckDlgButton(m_dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void CWin32DialogControls::LimitText(int id, int maxChars) {
    SendDlgItemMessageA(m_dialog, id, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
}

void CWin32DialogControls::FocusControl(int id) {
    HWND item = GetDlgItem(m_dialog, id);
    SendMessageA(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
    SendMessageA(item, EM_SETSEL, 0, -1);
}

std::string CWin32DialogControls::LoadResourceString(unsigned id) {
    char text[512] = {};
    LoadStringA(m_instance, id, text, sizeof text);
    return text;
}

void CWin32DialogControls::ShowMessage(const std::string& text) {
    MessageBoxA(m_dialog, text.c_str(), m_caption, MB_OK | MB_ICONEXCLAMATION);
}
