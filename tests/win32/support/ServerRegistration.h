#pragma once
// Registration of a component server with the real regsvr32 for the length
// of a test.
#include <windows.h>

#include <string>

#include "tests/win32/support/WineTestSupport.h"

namespace winetest {

// Runs the command line to its end, keeping this thread's windows answering
// meanwhile (the program may send messages to them). False when it could not
// start or did not end by the deadline (it is then ended); exitCode gets its
// exit code.
bool RunToExit(const std::string& commandLine, DWORD& exitCode, DWORD timeoutMs = kDeadlineMs);

// Registers the module with "regsvr32 /s" and unregisters it again when the
// object goes, so that no test leaves registrations behind.
class CServerRegistration {
public:
    explicit CServerRegistration(const std::string& modulePath);
    ~CServerRegistration();
    CServerRegistration(const CServerRegistration&) = delete;
    CServerRegistration& operator=(const CServerRegistration&) = delete;

    // regsvr32 ended with 0.
    bool Registered() const { return m_bRegistered; }
    // Unregisters now; true when regsvr32 ended with 0.
    bool Unregister();

private:
    std::string m_modulePath;
    bool m_bRegistered = false;
    bool m_bUnregistered = false;
};

} // namespace winetest
