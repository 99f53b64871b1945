#pragma once
// Registration of a component server with the real regsvr32 for the length
// of a test.
#include <windows.h>

#include <string>

#include "tests/win32/support/WineTestSupport.h"

namespace winetest {

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
