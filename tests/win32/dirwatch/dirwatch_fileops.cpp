// Changes files in a directory, one step per argument, in order:
//   write:NAME:TEXT   create or truncate NAME and write TEXT
//   append:NAME:TEXT  append TEXT to NAME
//   rename:OLD:NEW    rename OLD to NEW (NEW must not exist)
//   delete:NAME       delete NAME
//   many:PREFIX:COUNT create COUNT empty files PREFIX0, PREFIX1, ...
// Exits 0 when every step worked, else the number of the failed step.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "common/win32/Owners.h"

namespace {

bool Write(const std::string& path, const std::string& text, DWORD disposition) {
    const CUniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    SetFilePointer(file.Get(), 0, nullptr, FILE_END);
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return ok && written == text.size();
}

bool Step(const std::string& dir, const std::string& step) {
    const size_t colon = step.find(':');
    if (colon == std::string::npos)
        return false;
    const std::string verb = step.substr(0, colon);
    const std::string rest = step.substr(colon + 1);
    const size_t second = rest.find(':');
    const std::string first = dir + "\\" + rest.substr(0, second);
    const std::string other = second == std::string::npos ? std::string() : rest.substr(second + 1);
    if (verb == "write")
        return Write(first, other, CREATE_ALWAYS);
    if (verb == "append")
        return Write(first, other, OPEN_ALWAYS);
    if (verb == "rename")
        return MoveFileA(first.c_str(), (dir + "\\" + other).c_str()) != FALSE;
    if (verb == "delete")
        return DeleteFileA(first.c_str()) != FALSE;
    if (verb == "many") {
        const int count = std::atoi(other.c_str());
        for (int i = 0; i < count; ++i)
            if (!Write(first + std::to_string(i), std::string(), CREATE_ALWAYS))
                return false;
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 100;
    for (int i = 2; i < argc; ++i)
        if (!Step(argv[1], argv[i]))
            return i - 1;
    return 0;
}
