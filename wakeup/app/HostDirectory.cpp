#include "wakeup/app/HostDirectory.h"

#include "common/WakeupNames.h"

std::string DeriveHostDir(const std::string& programPath) {
    const auto pos = programPath.find("\\" WAKEUP_PROGRAM_DIR);
    return pos == std::string::npos ? std::string() : programPath.substr(0, pos);
}
