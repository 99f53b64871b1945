#pragma once
#include "wakeup/platform/win32/DialogBase.h"

// The about box: no handlers of its own.
class CAboutDlg : public CDialogBase {
public:
    explicit CAboutDlg(HINSTANCE instance);
};
