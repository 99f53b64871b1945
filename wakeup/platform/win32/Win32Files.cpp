#include "wakeup/platform/win32/Win32Files.h"

#include "common/win32/Owners.h"

bool CWin32FileReader::ReadWholeFile(const std::string& path, size_t maxBytes,
                                     std::vector<char>& bytes) {
    // The host may be writing the file right now, or saving a new one by
    // renaming it over this one: share reading, writing and deleting.
    CUniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > maxBytes)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() &&
        !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        got = 0;
    bytes.resize(got);
    return true;
}
