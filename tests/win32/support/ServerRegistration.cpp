#include "tests/win32/support/ServerRegistration.h"

namespace winetest {

CServerRegistration::CServerRegistration(const std::string& modulePath) : m_modulePath(modulePath) {
    DWORD exitCode = STILL_ACTIVE;
    m_bRegistered = RunToExit("regsvr32 /s \"" + m_modulePath + "\"", exitCode) && exitCode == 0;
}

CServerRegistration::~CServerRegistration() {
    if (!m_bUnregistered)
        Unregister();
}

bool CServerRegistration::Unregister() {
    // Also after a failed registration: whatever part of it was written goes.
    DWORD exitCode = STILL_ACTIVE;
    const bool done =
        RunToExit("regsvr32 /u /s \"" + m_modulePath + "\"", exitCode) && exitCode == 0;
    m_bRegistered = false;
    m_bUnregistered = true;
    return done;
}

} // namespace winetest
