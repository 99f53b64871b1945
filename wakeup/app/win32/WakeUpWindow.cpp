#include "wakeup/app/win32/WakeUpWindow.h"

#include <algorithm>

#include "wakeup/app/win32/AboutDlg.h"
#include "wakeup/app/win32/OptionsDlg.h"
#include "wakeup/app/resource.h"

namespace {
const char kProgramName[] = "kelmarwakeup";
const char kTestWakeItem[] = "Test wake...";
const char kAllowWakeTimersItem[] = "Allow wake timers";
const char kOptionsItem[] = "Options...";

// The "Stay awake" submenu's commands and their minutes (0: until sleep is
// allowed; -1: allow sleep), in the system menu and the icon's menu alike.
struct StayAwakeItem {
    UINT command;
    const char* text;
    int32_t minutes;
};
const StayAwakeItem kStayAwakeItems[] = {{IDM_STAYAWAKE_HOUR, "for 1 hour", 60},
                                         {IDM_STAYAWAKE_4HOURS, "for 4 hours", 240},
                                         {IDM_STAYAWAKE_ON, "until I allow sleep", 0},
                                         {IDM_ALLOWSLEEP, "Allow sleep", -1}};

void AppendStayAwakeMenu(HMENU menu) {
    HMENU stay = CreatePopupMenu();
    if (!stay)
        return;
    for (const StayAwakeItem& item : kStayAwakeItems)
        AppendMenuA(stay, MF_STRING, item.command, item.text);
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(stay), "Stay awake");
}
const char kTestWakeTitle[] = "Test wake";
const char kTestWakeQuestion[] =
    "The PC goes to sleep now and wakes by itself in two minutes.\n\n"
    "Save your work first. The log says afterwards whether the PC woke by its timer.";
} // namespace

void CWakeUpControls::ShowNextWake(const std::string& text) {
    // A null window would make the post a message to this thread.
    if (!Dialog())
        return;
    SetItemText(IDC_NEXT_WAKE, text);
    PostMessageA(Dialog(), DialogMessage::kNextWakeChanged, 0, 0);
}

CWakeUpWindow::CWakeUpWindow(HINSTANCE instance, const std::string& programPath,
                             bool startMinimized)
    : CDialogBase(instance, IDD_KELMARWAKEUP_DIALOG), m_controls(instance, kProgramName),
      m_timers(m_threads.StopEvent()), m_wait(m_threads.StopEvent()),
      m_hIcon(LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_startMinimized(startMinimized), m_taskbarCreated(RegisterWindowMessageA("TaskbarCreated")),
      m_dlg(CWakeUpPorts{{m_files, ActiveCodePage(), m_clock, m_dateText, m_timers, m_localTime,
                          m_threads, m_wait, m_power},
                         {m_progress, m_timers, m_wait, m_threads, m_session},
                         {m_processes, m_hostWatch, m_hostLookup, m_programs, m_network, m_clock,
                          m_dateText, m_power, m_session, m_controls},
                         m_messenger,
                         m_log,
                         m_logFile,
                         m_registry,
                         m_watcher,
                         m_session},
            programPath) {}

INT_PTR CWakeUpWindow::OnInitDialog() {
    m_log.Attach(GetDlgItem(m_hWnd, IDC_LOG));
    m_progress.Attach(GetDlgItem(m_hWnd, IDC_PROGRESS));
    m_controls.Attach(m_hWnd);
    m_messenger.Attach(m_hWnd);
    m_session.Attach(m_hWnd);
    // Run as administrator, the window would drop the icon's clicks and
    // Explorer's restart notice, which come from a lower integrity level.
    for (const UINT message : {kTrayIconMessage, m_taskbarCreated})
        if (const uint32_t error = m_messenger.AllowFromLowerIntegrity(message))
            m_dlg.AddLogLine("Unable to let the notification area's messages through: error " +
                             std::to_string(error));
    // The base initialisation puts the member values into the controls.
    m_dlg.UpdateData(false);

    if (HMENU menu = GetSystemMenu(m_hWnd, FALSE)) {
        const std::string about = m_controls.LoadResourceString(IDS_ABOUTBOX);
        if (!about.empty()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
        AppendMenuA(menu, MF_STRING, IDM_TESTWAKE, kTestWakeItem);
        AppendMenuA(menu, MF_STRING, IDM_ALLOWWAKETIMERS, kAllowWakeTimersItem);
        AppendStayAwakeMenu(menu);
        AppendMenuA(menu, MF_STRING, IDM_OPTIONS, kOptionsItem);
    }
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_dlg.OnInitDialog();
    if (m_bStayAwakeAtStart)
        m_dlg.StayAwake(m_stayAwakeAtStart);
    ScheduleClockTick();
    // The dialog manager shows the window at its creation and again once
    // its queue first runs empty; with /minimized both are dropped, and the
    // timer, which comes after them, puts it away.
    if (m_startMinimized) {
        m_bHoldHidden = true;
        SetTimer(m_hWnd, kStartMinimizedTimer, kStartMinimizedDelayMs, nullptr);
    }
    return TRUE;
}

std::string CWakeUpWindow::NextWakeText() {
    char text[256] = {};
    GetDlgItemTextA(m_hWnd, IDC_NEXT_WAKE, text, sizeof text);
    return text;
}

void CWakeUpWindow::OnSize(WPARAM kind) {
    if (kind == SIZE_MINIMIZED) {
        // Out of the task bar into the notification area, where there is
        // one; without it the window stays minimised in the task bar.
        if (!m_tray.Shown() && m_tray.Add(m_hWnd, m_hIcon, NextWakeText()))
            ShowWindow(m_hWnd, SW_HIDE);
        m_dlg.OnBarShownOrHidden();
    } else if (kind == SIZE_RESTORED || kind == SIZE_MAXIMIZED) {
        m_tray.Remove();
        m_dlg.OnBarShownOrHidden();
    }
}

void CWakeUpWindow::Restore() {
    ShowWindow(m_hWnd, SW_RESTORE);
    SetForegroundWindow(m_hWnd);
    m_tray.Remove();
}

void CWakeUpWindow::FinishMinimizedStart() {
    KillTimer(m_hWnd, kStartMinimizedTimer);
    // Still held hidden: minimised without being shown, which puts the icon
    // into the notification area (OnSize).
    ShowWindow(m_hWnd, SW_MINIMIZE);
    m_bHoldHidden = false;
    if (!m_tray.Shown())
        ShowWindow(m_hWnd, SW_SHOWMINNOACTIVE);
}

void CWakeUpWindow::OnTaskbarCreated() {
    if (m_tray.Shown())
        m_tray.AddAgain();
    else if (IsIconic(m_hWnd) && m_tray.Add(m_hWnd, m_hIcon, NextWakeText()))
        ShowWindow(m_hWnd, SW_HIDE);
}

void CWakeUpWindow::OnTrayIcon(LPARAM mouse) {
    enum { kShow = 1, kExit = 2, kTestWake = 3, kOptions = 4 };
    if (mouse == WM_LBUTTONUP || mouse == WM_LBUTTONDBLCLK) {
        Restore();
        return;
    }
    if (mouse != WM_RBUTTONUP && mouse != WM_CONTEXTMENU)
        return;
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    AppendMenuA(menu, MF_STRING, kShow, "Show");
    AppendMenuA(menu, MF_STRING, kTestWake, kTestWakeItem);
    AppendStayAwakeMenu(menu);
    AppendMenuA(menu, MF_STRING, kOptions, kOptionsItem);
    AppendMenuA(menu, MF_STRING, kExit, "Exit");
    POINT at;
    GetCursorPos(&at);
    // Without it the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(m_hWnd);
    const int chosen =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, m_hWnd, nullptr);
    DestroyMenu(menu);
    if (chosen == kShow)
        Restore();
    else if (chosen == kTestWake)
        OnTestWake();
    else if (chosen == kOptions)
        OnOptions();
    else if (chosen == kExit)
        EndDialog(IDCANCEL);
    else
        OnStayAwakeCommand(static_cast<UINT>(chosen));
}

bool CWakeUpWindow::OnStayAwakeCommand(UINT command) {
    for (const StayAwakeItem& item : kStayAwakeItems)
        if (item.command == command) {
            m_dlg.StayAwake(item.minutes);
            ScheduleClockTick();
            return true;
        }
    return false;
}

void CWakeUpWindow::ScheduleClockTick() {
    uint32_t ms = 0;
    if (!m_dlg.NextTickMs(ms)) {
        if (m_tickSet)
            KillTimer(m_hWnd, kClockTickTimer);
        m_tickSet = false;
        return;
    }
    const UINT wait = std::max<UINT>(ms, kMinClockTickMs);
    const ULONGLONG due = GetTickCount64() + wait;
    // Set after every message the dialog handles, but most leave the moment
    // as it was: the timer already set for it is left alone.
    const ULONGLONG apart = due > m_tickDue ? due - m_tickDue : m_tickDue - due;
    if (m_tickSet && m_tickDue && apart < kSameTickMs)
        return;
    SetTimer(m_hWnd, kClockTickTimer, wait, nullptr);
    m_tickSet = true;
    m_tickDue = due;
}

void CWakeUpWindow::OnTestWake() {
    const std::string refusal = m_dlg.WakeTestRefusal();
    if (!refusal.empty()) {
        MessageBoxA(m_hWnd, refusal.c_str(), kTestWakeTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (MessageBoxA(m_hWnd, kTestWakeQuestion, kTestWakeTitle,
                    MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK) {
        m_dlg.StartWakeTest();
        ScheduleClockTick();
    }
}

void CWakeUpWindow::OnOptions() {
    // Asked for again from the icon's menu while open: brought to the front.
    if (m_options) {
        SetForegroundWindow(m_options->Window());
        return;
    }
    // Minutes typed into the window's field are taken over as leaving the
    // field would, before the dialog copies the settings.
    if (GetFocus() == GetDlgItem(m_hWnd, IDC_SUSPEND_MINUTES))
        m_dlg.OnSuspendMinutesKillFocus();
    COptionsDlg options(m_instance, m_dlg.m_settings.Options(), m_network,
                        [this](const WakeUpOptions& chosen) {
                            const bool stored = m_dlg.UseOptions(chosen);
                            ScheduleClockTick();
                            return stored;
                        });
    m_options = &options;
    options.DoModal(m_hWnd);
    m_options = nullptr;
}

void CWakeUpWindow::OnCommand(int id, int code) {
    switch (id) {
    case IDOK:
        if (m_dlg.OnOK())
            EndDialog(IDOK);
        break;
    case IDCANCEL:
        EndDialog(IDCANCEL);
        break;
    case IDC_SCAN_BUTTON:
        if (code == BN_CLICKED)
            m_dlg.SuspendNow();
        break;
    case IDC_SUSPEND_MINUTES:
        if (code == EN_KILLFOCUS)
            m_dlg.OnSuspendMinutesKillFocus();
        break;
    case IDC_SUSPEND_TEXT:
        if (code == EN_CHANGE)
            m_dlg.OnSuspendTextChange();
        break;
    case IDC_HIBERNATE:
        if (code == BN_CLICKED)
            m_dlg.OnHibernateClicked();
        break;
    default:
        break;
    }
}

void CWakeUpWindow::OnPaintIconic() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &paint);
}

INT_PTR CWakeUpWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            CAboutDlg(m_instance).DoModal(m_hWnd);
            return TRUE;
        }
        if ((wParam & 0xFFF0) == IDM_TESTWAKE) {
            OnTestWake();
            return TRUE;
        }
        if ((wParam & 0xFFF0) == IDM_OPTIONS) {
            OnOptions();
            return TRUE;
        }
        if ((wParam & 0xFFF0) == IDM_ALLOWWAKETIMERS) {
            m_dlg.AllowWakeTimers();
            return TRUE;
        }
        return OnStayAwakeCommand(static_cast<UINT>(wParam & 0xFFF0)) ? TRUE : FALSE;
    case WM_PAINT:
        if (IsIconic(m_hWnd)) {
            OnPaintIconic();
            return TRUE;
        }
        return FALSE;
    case WM_QUERYDRAGICON:
        // One of the messages whose answer the dialog manager takes from the
        // procedure's own return value, not from DWLP_MSGRESULT.
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_DESTROY:
        m_session.Detach();
        m_tray.Remove();
        return FALSE;
    case WM_SIZE:
        OnSize(wParam);
        return FALSE;
    case WM_SHOWWINDOW:
        m_dlg.OnBarShownOrHidden();
        return FALSE;
    case DialogMessage::kNextWakeChanged:
        m_tray.SetTip(NextWakeText());
        return TRUE;
    case WM_TIMER:
        if (wParam == kClockTickTimer) {
            m_tickDue = 0; // a window timer repeats: set anew below
            m_dlg.OnClockTick();
            ScheduleClockTick();
            return TRUE;
        }
        if (wParam == kRedrawTimer) {
            KillTimer(m_hWnd, kRedrawTimer);
            m_log.Redraw();
            return TRUE;
        }
        if (wParam != kStartMinimizedTimer)
            return FALSE;
        FinishMinimizedStart();
        return TRUE;
    case WM_WINDOWPOSCHANGING:
        if (m_bHoldHidden)
            reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~static_cast<UINT>(SWP_SHOWWINDOW);
        return FALSE;
    case kTrayIconMessage:
        OnTrayIcon(lParam);
        return TRUE;
    case DialogMessage::kLogRedraw:
        SetTimer(m_hWnd, kRedrawTimer, kRedrawDelayMs, nullptr);
        return TRUE;
    case WM_USER:
    case WM_POWERBROADCAST:
    case WM_WTSSESSION_CHANGE:
    case WM_ENDSESSION:
    case WM_TIMECHANGE:
    case DialogMessage::kNightEvent: {
        intptr_t result = 0;
        const bool answered = m_dlg.WindowProc(message, static_cast<uint32_t>(wParam),
                                               static_cast<int32_t>(lParam), &result);
        // A window's timer counts no time the machine slept, and the clock
        // may have been set: after either the tick is set anew whatever its
        // moment.
        if (message == WM_POWERBROADCAST || message == WM_TIMECHANGE)
            m_tickDue = 0;
        ScheduleClockTick();
        if (answered)
            SetResult(result);
        return answered ? TRUE : FALSE;
    }
    default:
        if (message == m_taskbarCreated)
            OnTaskbarCreated();
        return FALSE;
    }
}
