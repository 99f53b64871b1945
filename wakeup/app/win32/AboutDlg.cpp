#include "wakeup/app/win32/AboutDlg.h"

#include "wakeup/app/resource.h"

CAboutDlg::CAboutDlg(HINSTANCE instance) : CDialogBase(instance, IDD_ABOUTBOX) {}
