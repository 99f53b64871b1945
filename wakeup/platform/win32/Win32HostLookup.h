#pragma once
#include "wakeup/platform/HostLookup.h"

class CWin32HostLookup : public IHostLookup {
public:
    HostSeen Find() const override;
};
