#pragma once
#include <string>

#include "wakeup/platform/LogFile.h"

// %LOCALAPPDATA%\OrvisaWakeup\kelmarwakeup.log and kelmarwakeup.1.log.
class CWin32LogFile : public ILogFile {
public:
    // folder: where the files go; empty for the user's own place.
    explicit CWin32LogFile(std::string folder = std::string());
    uint32_t Append(const std::string& text, uint64_t& sizeAfter) override;
    uint32_t Rotate() override;

private:
    // In UTF-16: a profile path outside the system's code page has no ANSI
    // spelling.
    std::u16string m_folder;
};
