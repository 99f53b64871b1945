#pragma once
// Resource identifiers of kelmarwakeup, shared by the resource script and the
// code.

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_KELMARWAKEUP_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_LOG 1001
#define IDC_SCAN_BUTTON 1002
#define IDC_HIDDEN_EDIT 1003
#define IDC_PROGRESS 1004
#define IDC_SUSPEND_MINUTES 1005
#define IDC_SUSPEND_TEXT 1006
#define IDC_HIBERNATE 1008
#define IDC_NEXT_WAKE 1009

// System-menu commands: the about box, the wake test, wake timers allowed,
// and stay awake (an hour, four hours, until allowed; allow sleep).
#define IDM_ABOUTBOX 0x0010
#define IDM_TESTWAKE 0x0020
#define IDM_ALLOWWAKETIMERS 0x0030
#define IDM_STAYAWAKE_HOUR 0x0040
#define IDM_STAYAWAKE_4HOURS 0x0050
#define IDM_STAYAWAKE_ON 0x0060
#define IDM_ALLOWSLEEP 0x0070

// The standard messages of the data exchange checks.
#define IDS_PARSE_INT 0xF110
#define IDS_PARSE_INT_RANGE 0xF111
#define IDS_PARSE_STRING_SIZE 0xF113
