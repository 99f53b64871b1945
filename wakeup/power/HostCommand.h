#pragma once
// Command lines of the host's command tool orvisacmd, which shows a message
// on the host's screen.
#include <string>

// The words after the tool of the notice that a running countdown was
// cancelled.
#define HOST_CANCEL_NOTICE_ARGUMENTS "message 150 300 2 Auto Suspend Cancelled."

// The tool in the host directory, its path quoted, then the arguments.
std::string HostCommandLine(const std::string& hostDir, const std::string& arguments);

// The user's warning text with the minutes left in place of every "%d".
// The text is never used as a format: "%%" becomes "%", every other "%"
// sequence stays as it is.
std::string FormatSuspendWarning(const std::string& text, int minutesLeft);

// The arguments of the warning shown in the last minutes of the countdown.
std::string SuspendWarningArguments(const std::string& text, int minutesLeft);
