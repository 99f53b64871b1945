#include "wakeup/app/win32/OptionsDlg.h"

#include <commdlg.h>

#include <utility>

#include "wakeup/app/resource.h"
#include "wakeup/platform/win32/SystemLibrary.h"
#include "wakeup/power/NetworkTraffic.h"

namespace {
const char kNotStored[] =
    "The settings are used now, but they could not all be stored under "
    "HKEY_CURRENT_USER\\Software\\Vorx\\Orvisa\\3.0 (is Orvisa installed for this user?): "
    "kelmarwakeup forgets them when it ends.";
} // namespace

COptionsDlg::COptionsDlg(HINSTANCE instance, const WakeUpOptions& options,
                         INetworkCounters& network, UseOptions use)
    : CDialogBase(instance, IDD_OPTIONS), m_options(options), m_network(network),
      m_use(std::move(use)), m_controls(instance, "kelmarwakeup") {}

void COptionsDlg::OnInitDialog() {
    m_controls.Attach(m_hWnd);
    m_bFilling = true;
    CWakeUpSettings::ExchangeOptions(m_controls, false, m_options);
    m_bFilling = false;
    EnableWindow(GetDlgItem(m_hWnd, IDC_OPT_APPLY), FALSE);
    ShowTraffic();
    SetTimer(m_hWnd, kTrafficTimer, kTrafficMs, nullptr);
}

bool COptionsDlg::Apply() {
    WakeUpOptions typed = m_options;
    if (!CWakeUpSettings::ExchangeOptions(m_controls, true, typed))
        return false;
    m_options = typed;
    if (!m_use(m_options))
        m_controls.ShowMessage(kNotStored);
    // A disabled button keeps no focus: it goes to OK, as in Windows' own
    // property sheets.
    HWND applyButton = GetDlgItem(m_hWnd, IDC_OPT_APPLY);
    if (GetFocus() == applyButton)
        SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(m_hWnd, IDOK)),
                     TRUE);
    EnableWindow(applyButton, FALSE);
    return true;
}

void COptionsDlg::Browse() {
    char path[MAX_PATH] = {};
    const std::string now = m_controls.GetItemText(IDC_OPT_HOST);
    // A command line of its own (quoted) is no file name to start from.
    if (!now.empty() && now[0] != '"' && now.size() < sizeof path)
        now.copy(path, now.size());
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_hWnd;
    dialog.lpstrFilter = "Programs (*.exe)\0*.exe\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrTitle = "Orvisa's program";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    using OpenFunction = BOOL(WINAPI*)(OPENFILENAMEA*);
    static const auto open = SystemFunction<OpenFunction>(L"comdlg32.dll", "GetOpenFileNameA");
    if (open && open(&dialog))
        m_controls.SetItemText(IDC_OPT_HOST, path);
}

void COptionsDlg::ShowTraffic() {
    uint64_t bytes = 0;
    const ULONGLONG tick = GetTickCount64();
    if (!m_network.ReadNetworkBytes(bytes)) {
        m_controls.SetItemText(IDC_OPT_TRAFFIC, "The network's traffic cannot be read here.");
        return;
    }
    uint64_t rate = 0;
    const int64_t seconds = static_cast<int64_t>((tick - m_lastTick + 500) / 1000);
    if (m_bCounted && TrafficRate(m_lastBytes, bytes, seconds, rate))
        m_controls.SetItemText(IDC_OPT_TRAFFIC, "Traffic now: " + TrafficText(rate));
    else if (!m_bCounted)
        m_controls.SetItemText(IDC_OPT_TRAFFIC, "Traffic now: measuring...");
    m_bCounted = true;
    m_lastBytes = bytes;
    m_lastTick = tick;
}

void COptionsDlg::OnCommand(int id, int code) {
    switch (id) {
    case IDOK:
        if (Apply())
            EndDialog(IDOK);
        return;
    case IDCANCEL:
        EndDialog(IDCANCEL);
        return;
    case IDC_OPT_APPLY:
        Apply();
        return;
    case IDC_OPT_BROWSE:
        Browse();
        return;
    default:
        break;
    }
    if (!m_bFilling && (code == EN_CHANGE || code == BN_CLICKED))
        EnableWindow(GetDlgItem(m_hWnd, IDC_OPT_APPLY), TRUE);
}

INT_PTR COptionsDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_TIMER:
        if (wParam != kTrafficTimer)
            return FALSE;
        ShowTraffic();
        return TRUE;
    case WM_DESTROY:
        KillTimer(m_hWnd, kTrafficTimer);
        return FALSE;
    default:
        return FALSE;
    }
}
