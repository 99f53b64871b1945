#pragma once
// Resource identifiers of kelmarwakeup, shared by the resource script and the
// code.

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_KELMARWAKEUP_DIALOG 102
#define IDD_OPTIONS 103
#define IDR_MAINFRAME 128

#define IDC_LOG 1001
#define IDC_SCAN_BUTTON 1002
#define IDC_HIDDEN_EDIT 1003
#define IDC_PROGRESS 1004
#define IDC_SUSPEND_MINUTES 1005
#define IDC_SUSPEND_TEXT 1006
#define IDC_HIBERNATE 1008
#define IDC_NEXT_WAKE 1009

// The Options dialog's controls.
#define IDC_OPT_MINUTES 1101
#define IDC_OPT_TEXT 1102
#define IDC_OPT_HIBERNATE 1103
#define IDC_OPT_USER_INPUT 1104
#define IDC_OPT_MARGIN 1105
#define IDC_OPT_HOST 1106
#define IDC_OPT_BROWSE 1107
#define IDC_OPT_PROGRAMS 1108
#define IDC_OPT_NETWORK 1109
#define IDC_OPT_TRAFFIC 1110
#define IDC_OPT_APPLY 1111

// System-menu commands: the about box, the wake test, wake timers allowed,
// stay awake (an hour, four hours, until allowed; allow sleep) and the
// options.
#define IDM_ABOUTBOX 0x0010
#define IDM_TESTWAKE 0x0020
#define IDM_ALLOWWAKETIMERS 0x0030
#define IDM_STAYAWAKE_HOUR 0x0040
#define IDM_STAYAWAKE_4HOURS 0x0050
#define IDM_STAYAWAKE_ON 0x0060
#define IDM_ALLOWSLEEP 0x0070
#define IDM_OPTIONS 0x0080

// The standard messages of the data exchange checks.
#define IDS_PARSE_INT 0xF110
#define IDS_PARSE_INT_RANGE 0xF111
#define IDS_PARSE_STRING_SIZE 0xF113
