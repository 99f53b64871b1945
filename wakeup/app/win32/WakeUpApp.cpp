// The application object: runs the main dialog modally; when it closes the
// program ends.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "wakeup/app/win32/SingleInstance.h"
#include "wakeup/app/win32/WakeUpWindow.h"
#include "wakeup/platform/win32/Win32CodePage.h"

namespace {
// How long an end that cannot wait for a worker still gives the log file's
// last lines.
constexpr uint32_t kLastLinesMs = 1000;
} // namespace

class CWakeUpApp {
public:
    explicit CWakeUpApp(HINSTANCE instance) : m_instance(instance) {}
    BOOL InitInstance();

private:
    HINSTANCE m_instance;
};

BOOL CWakeUpApp::InitInstance() {
    const CSingleInstance instance;
    if (!instance.First())
        return FALSE;

    // The three-dimensional look is the system's own today; what the dialog
    // needs is the progress bar's window class.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // The system's code page, for the dialog's scan and every other reader.
    static const CWin32CodePage codePage;
    SetActiveCodePage(&codePage);

    // The program's own path as the process got it, unchanged.
    const std::string programPath = __argc > 0 && __argv[0] ? __argv[0] : "";
    // The start at logon passes /minimized: the scheduler then waits in the
    // notification area rather than in the middle of the desktop.
    bool minimized = false;
    for (int i = 1; i < __argc; ++i)
        minimized = minimized || (__argv[i] && lstrcmpiA(__argv[i], "/minimized") == 0);
    CWakeUpWindow dialog(m_instance, programPath, minimized);
    dialog.DoModal();
    // The wake-timer and countdown threads use the dialog: they end before
    // it goes. One that does not end in time ends with the process here,
    // before the dialog is destroyed under it (the log file's writer ends
    // with the dialog, once its lines are written).
    if (!dialog.StopThreads()) {
        dialog.Dialog().m_log.FlushFile(kLastLinesMs);
        ExitProcess(0);
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CWakeUpApp app(instance);
    app.InitInstance();
    return 0;
}
