#include "wakeup/app/HostDirectory.h"

std::string DeriveHostDir(const std::string& programPath) {
    const auto pos = programPath.find("\\orvisawakeup");
    return pos == std::string::npos ? std::string() : programPath.substr(0, pos);
}
