#pragma once
// An open registry key that is closed when the object goes.
#include <windows.h>

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Opens or creates the subkey for writing; a Win32 error code.
    LONG Create(HKEY parent, const char* subkey);
    LONG Open(HKEY parent, const char* subkey, REGSAM access);
    // The default value (name null) or a named value, as a string.
    LONG SetString(const char* name, const char* value);
    void Close();
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};
