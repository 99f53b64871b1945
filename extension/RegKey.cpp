#include "extension/RegKey.h"

#include <cstring>

LONG CRegKey::Create(HKEY parent, const char* subkey) {
    Close();
    return RegCreateKeyExA(parent, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr);
}

LONG CRegKey::Open(HKEY parent, const char* subkey, REGSAM access) {
    Close();
    return RegOpenKeyExA(parent, subkey, 0, access, &m_key);
}

LONG CRegKey::SetString(const char* name, const char* value) {
    return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1));
}

void CRegKey::Close() {
    if (m_key)
        RegCloseKey(m_key);
    m_key = nullptr;
}
