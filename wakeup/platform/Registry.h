#pragma once
#include <cstdint>
#include <memory>

// One opened registry key; closes itself when destroyed. Results are the
// system's error codes (0 = success), as the registry functions return them.
class IRegistryKey {
public:
    virtual ~IRegistryKey() = default;
    // Reads the value's data into data; *size is the buffer size in and the
    // size of the data out. The stored type is not examined.
    virtual long QueryValue(const char* name, void* data, uint32_t* size) = 0;
    virtual long SetDword(const char* name, uint32_t value) = 0;
    // Writes a REG_SZ: the text's bytes and its terminating zero byte.
    virtual long SetString(const char* name, const char* text) = 0;
};

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Opens HKEY_CURRENT_USER\subKey with full access; never creates it.
    // Null when the key cannot be opened.
    virtual std::unique_ptr<IRegistryKey> OpenCurrentUserKey(const char* subKey) = 0;
};
