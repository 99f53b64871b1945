#include "wakeup/power/HostCommand.h"

std::string HostCommandLine(const std::string& hostDir, const std::string& arguments) {
    // Quoted: with the host under "C:\Program Files\..." an unquoted path
    // would make the system try "C:\Program.exe" first.
    return "\"" + hostDir + "\\orvisacmd\" " + arguments;
}

std::string FormatSuspendWarning(const std::string& text, int minutesLeft) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == 'd') {
                out += std::to_string(minutesLeft);
                ++i;
                continue;
            }
            if (text[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string SuspendWarningArguments(const std::string& text, int minutesLeft) {
    return "message 150 300 59 " + FormatSuspendWarning(text, minutesLeft);
}
