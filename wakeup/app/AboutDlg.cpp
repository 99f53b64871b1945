#include "wakeup/app/AboutDlg.h"

#include "wakeup/app/resource.h"

CAboutDlg::CAboutDlg(HINSTANCE instance) : CDialogBase(instance, IDD_ABOUTBOX) {}
