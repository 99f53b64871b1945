// wakeupctl: talks to a running scheduler window "OrvisaWakeUp" from another
// process, as the host and the tests do.
//   wakeupctl wait [ms]                 waits for the window to show
//   wakeupctl send <kind> <lParam>      sends WM_USER with the kind
//   wakeupctl power <event>             sends WM_POWERBROADCAST, prints the answer
//   wakeupctl log                       prints the log lines
//   wakeupctl wait-line <text> [ms]     waits for a log line containing text
//   wakeupctl close                     closes the window
// Exit code 0 on success, 1 when the window is not there or a wait ran out,
// 2 for a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/WakeupMessages.h"
#include "tests/win32/support/WineTestSupport.h"

namespace {
HWND FindScheduler() {
    return FindWindowA(WAKEUP_WINDOW_CLASS, WAKEUP_WINDOW_TITLE);
}

DWORD Millis(int argc, char** argv, int index) {
    return index < argc ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10))
                        : winetest::kDeadlineMs;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string command = argv[1];
    if (command == "wait")
        return winetest::WaitFor([] { return FindScheduler() != nullptr; }, Millis(argc, argv, 2))
                   ? 0
                   : 1;
    HWND window = FindScheduler();
    if (!window)
        return 1;
    HWND log = GetDlgItem(window, 1001);
    if (command == "send" && argc == 4) {
        SendMessageA(window, WAKEUP_MESSAGE, std::strtoul(argv[2], nullptr, 10),
                     std::strtol(argv[3], nullptr, 10));
        return 0;
    }
    if (command == "power" && argc == 3) {
        const LRESULT answer =
            SendMessageA(window, WM_POWERBROADCAST, std::strtoul(argv[2], nullptr, 10), 0);
        std::printf("0x%lX\n", static_cast<unsigned long>(answer));
        return 0;
    }
    if (command == "log") {
        for (const auto& line : winetest::ListBoxLines(log))
            std::printf("%s\n", line.c_str());
        return 0;
    }
    if (command == "wait-line" && argc >= 3)
        return winetest::WaitForLine(log, argv[2], Millis(argc, argv, 3)) ? 0 : 1;
    if (command == "close") {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    return 2;
}
