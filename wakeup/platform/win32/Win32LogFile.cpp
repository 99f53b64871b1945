#include "wakeup/platform/win32/Win32LogFile.h"

#include <windows.h>
#include <shlobj.h>

#include "common/win32/Owners.h"

namespace {
const wchar_t kFileName[] = L"kelmarwakeup.log";
const wchar_t kOlderName[] = L"kelmarwakeup.1.log";

std::wstring UserLogFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return std::wstring(path) + L"\\OrvisaWakeup";
}

std::wstring Widen(const std::string& text) {
    const int size =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}
} // namespace

CWin32LogFile::CWin32LogFile(std::string folder)
    : m_folder(folder.empty() ? UserLogFolder() : Widen(folder)) {}

uint32_t CWin32LogFile::Append(const std::string& text, uint64_t& sizeAfter) {
    if (m_folder.empty())
        return ERROR_PATH_NOT_FOUND;
    // Opened for each line: a file deleted or moved meanwhile is made anew,
    // and nothing is held open between lines.
    CreateDirectoryW(m_folder.c_str(), nullptr);
    const std::wstring path = m_folder + L"\\" + kFileName;
    const CUniqueHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();
    DWORD written = 0;
    if (!WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        return GetLastError();
    if (written != text.size())
        return ERROR_DISK_FULL;
    // On the disk before the next line: a power cut loses at most the line
    // being written.
    if (!FlushFileBuffers(file.Get()))
        return GetLastError();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        return GetLastError();
    sizeAfter = static_cast<uint64_t>(size.QuadPart);
    return 0;
}

uint32_t CWin32LogFile::Rotate() {
    const std::wstring path = m_folder + L"\\" + kFileName;
    const std::wstring older = m_folder + L"\\" + kOlderName;
    if (!MoveFileExW(path.c_str(), older.c_str(), MOVEFILE_REPLACE_EXISTING))
        return GetLastError();
    return 0;
}
