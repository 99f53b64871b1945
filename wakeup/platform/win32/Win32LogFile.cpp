#include "wakeup/platform/win32/Win32LogFile.h"

#include <windows.h>
#include <shlobj.h>

#include "common/win32/Owners.h"
#include "wakeup/platform/win32/SystemLibrary.h"
#include "wakeup/platform/win32/Win32CodePage.h"

namespace {
const char16_t kFileName[] = u"kelmarwakeup.log";
const char16_t kOlderName[] = u"kelmarwakeup.1.log";

std::u16string UserLogFolder() {
    wchar_t path[MAX_PATH] = {};
    const CBorrowedLibrary shell(L"shell32.dll");
    const auto folderPath = shell.Get<decltype(&SHGetFolderPathW)>("SHGetFolderPathW");
    if (!folderPath ||
        FAILED(folderPath(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::u16string();
    return reinterpret_cast<const char16_t*>(path) + std::u16string(u"\\OrvisaWakeup");
}
} // namespace

CWin32LogFile::CWin32LogFile(std::string folder)
    : m_folder(folder.empty() ? UserLogFolder() : CWin32CodePage().ToUtf16(folder)) {}

uint32_t CWin32LogFile::Append(const std::string& text, uint64_t& sizeAfter) {
    if (m_folder.empty())
        return ERROR_PATH_NOT_FOUND;
    // Opened for each line: a file deleted or moved meanwhile is made anew,
    // and nothing is held open between lines.
    CreateDirectoryW(WideOf(m_folder), nullptr);
    const std::u16string path = m_folder + u"\\" + kFileName;
    const CUniqueHandle file(CreateFileW(WideOf(path), FILE_APPEND_DATA,
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
    const std::u16string path = m_folder + u"\\" + kFileName;
    const std::u16string older = m_folder + u"\\" + kOlderName;
    if (!MoveFileExW(WideOf(path), WideOf(older), MOVEFILE_REPLACE_EXISTING))
        return GetLastError();
    return 0;
}
