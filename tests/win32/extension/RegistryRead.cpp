#include "tests/win32/extension/RegistryRead.h"

#include "common/win32/Owners.h"

namespace {
// The key opened for reading; an empty owner when it cannot be opened.
CUniqueRegKey OpenForReading(HKEY root, const std::string& path) {
    CUniqueRegKey key;
    RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Put());
    return key;
}
} // namespace

bool KeyExists(HKEY root, const std::string& path) {
    return OpenForReading(root, path).Valid();
}

std::string StringValue(HKEY root, const std::string& path, const char* name) {
    const CUniqueRegKey key = OpenForReading(root, path);
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
    const CUniqueRegKey key = OpenForReading(root, path);
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
    const CUniqueRegKey key = OpenForReading(root, path);
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
