#pragma once
#include <cstdint>
#include <string>

// The scheduler's log file and its one older copy, in the user's local
// application data (the adapter knows where).
class ILogFile {
public:
    virtual ~ILogFile() = default;
    // Appends the text to the file, making the file and its folder where
    // they are missing, and has it on the disk before returning. 0, with the
    // file's size after the write in sizeAfter; else the system's error code.
    virtual uint32_t Append(const std::string& text, uint64_t& sizeAfter) = 0;
    // The file becomes the older copy, which it replaces; 0 or the error.
    virtual uint32_t Rotate() = 0;
};
