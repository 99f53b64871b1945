// Stand-in for the host's command tool orvisacmd: records the command line it
// was started with, one line per start, in orvisacmd-calls.txt next to
// itself, so that a test sees exactly what the scheduler started (and a copy
// placed where an unquoted path would lead shows that it was started).
#include <windows.h>

#include <string>

#include "common/win32/Owners.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string record(path, length);
    record.erase(record.rfind('\\') + 1);
    record += "orvisacmd-calls.txt";
    const CUniqueHandle file(CreateFileA(record.c_str(), FILE_APPEND_DATA,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return 1;
    const std::string line = std::string(GetCommandLineA()) + "\r\n";
    DWORD written = 0;
    return WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr)
               ? 0
               : 1;
}
