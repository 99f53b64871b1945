#include "wakeup/platform/win32/Win32Registry.h"

#include <windows.h>

#include <cstring>

#include "common/win32/Owners.h"

namespace {
class CWin32RegistryKey : public IRegistryKey {
public:
    explicit CWin32RegistryKey(HKEY key) : m_key(key) {}

    long QueryValue(const char* name, void* data, uint32_t* size) override {
        DWORD bytes = *size;
        const LONG result =
            RegQueryValueExA(m_key.Get(), name, nullptr, nullptr, static_cast<BYTE*>(data), &bytes);
        *size = bytes;
        return result;
    }

    long SetDword(const char* name, uint32_t value) override {
        const DWORD data = value;
        return RegSetValueExA(m_key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                              sizeof data);
    }

    long SetString(const char* name, const char* text) override {
        return RegSetValueExA(m_key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                              static_cast<DWORD>(std::strlen(text) + 1));
    }

private:
    CUniqueRegKey m_key;
};
} // namespace

std::unique_ptr<IRegistryKey> CWin32Registry::OpenCurrentUserKey(const char* subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<CWin32RegistryKey>(key);
}
