// The application object: runs the main dialog modally; when it closes the
// program ends.
#include <windows.h>
#include <commctrl.h>

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "common/WakeupMessages.h"

#include "wakeup/app/win32/SingleInstance.h"
#include "wakeup/app/win32/WakeUpWindow.h"
#include "wakeup/platform/win32/Win32CodePage.h"

namespace {
// How long an end that cannot wait for a worker still gives the log file's
// last lines.
constexpr uint32_t kLastLinesMs = 1000;
// How long a second start waits for the first to take a request.
constexpr UINT kHandOverMs = 5000;

// "/stayawake MINUTES" (0: until sleep is allowed) or "/stayawake off"
// (-1); false when the command line has neither, or a value that is not
// one of them.
bool StayAwakeArgument(int32_t& minutes) {
    for (int i = 1; i + 1 < __argc; ++i) {
        if (!__argv[i] || lstrcmpiA(__argv[i], "/stayawake") != 0 || !__argv[i + 1])
            continue;
        const char* value = __argv[i + 1];
        if (lstrcmpiA(value, "off") == 0) {
            minutes = -1;
            return true;
        }
        char* end = nullptr;
        const long parsed = std::strtol(value, &end, 10);
        if (end == value || *end != '\0' || parsed < 0 || parsed > INT32_MAX)
            return false;
        minutes = static_cast<int32_t>(parsed);
        return true;
    }
    return false;
}
} // namespace

class CWakeUpApp {
public:
    explicit CWakeUpApp(HINSTANCE instance) : m_instance(instance) {}
    BOOL InitInstance();

private:
    HINSTANCE m_instance;
};

BOOL CWakeUpApp::InitInstance() {
    int32_t stayAwake = 0;
    const bool stayAwakeAsked = StayAwakeArgument(stayAwake);
    const CSingleInstance instance(!stayAwakeAsked);
    if (!instance.First()) {
        // Handed over to the scheduler that runs, which logs it.
        if (stayAwakeAsked && instance.Running())
            SendMessageTimeoutA(instance.Running(), WAKEUP_MESSAGE, WAKEUP_MSG_STAY_AWAKE,
                                static_cast<LPARAM>(stayAwake), SMTO_ABORTIFHUNG, kHandOverMs,
                                nullptr);
        return FALSE;
    }

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
    if (stayAwakeAsked)
        dialog.StayAwakeAtStart(stayAwake);
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
