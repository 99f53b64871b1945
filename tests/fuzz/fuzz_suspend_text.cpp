// Arbitrary bytes as the user's warning text: whatever it holds, the minutes
// replace every "%d", "%%" becomes "%", and nothing else of the text is
// dropped or read past its end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "wakeup/power/HostCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string warning = FormatSuspendWarning(text, 7);
    // Each "%d" (2 bytes) becomes "7" and each "%%" becomes "%": one byte
    // less for each, so the result is never longer than the text.
    if (warning.size() > text.size())
        std::abort();
    if (text.find("%d") == std::string::npos && text.find("%%") == std::string::npos &&
        warning != text)
        std::abort();
    return 0;
}
