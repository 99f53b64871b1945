// Arbitrary bytes as the "KeepAwakePrograms" setting: every name comes out
// whole, without a separator or an upper-case letter, ending in ".exe",
// and a running program of the same name matches it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "wakeup/power/BusyPrograms.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string setting(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> names = KeepAwakeNames(setting);
    for (const std::string& name : names) {
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".exe") != 0 ||
            name.find(';') != std::string::npos)
            std::abort();
        for (const char c : name)
            if (c >= 'A' && c <= 'Z')
                std::abort();
        if (FirstBusyProgram(names, {"other", name}) != name)
            std::abort();
    }
    return 0;
}
