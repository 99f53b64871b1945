#include "tests/win32/extension/RegistryRead.h"

namespace {
class CKey {
public:
    CKey(HKEY root, const std::string& path) {
        if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~CKey() {
        if (m_key)
            RegCloseKey(m_key);
    }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};
} // namespace

bool KeyExists(HKEY root, const std::string& path) {
    return CKey(root, path).Get() != nullptr;
}

std::string StringValue(HKEY root, const std::string& path, const char* name) {
    CKey key(root, path);
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (!key.Get() || RegQueryValueExA(key.Get(), name, nullptr, &type,
                                       reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return "<missing>";
    if (type != REG_SZ)
        return "<not a string>";
    return data;
}

std::vector<std::string> Subkeys(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    CKey key(root, path);
    char name[256];
    for (DWORD i = 0; key.Get(); ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    CKey key(root, path);
    char name[256];
    for (DWORD i = 0; key.Get(); ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}
