#pragma once
#include "wakeup/platform/Registry.h"

class CWin32Registry : public IRegistry {
public:
    std::unique_ptr<IRegistryKey> OpenCurrentUserKey(const char* subKey) override;
};
