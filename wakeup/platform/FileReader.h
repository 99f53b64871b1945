#pragma once
#include <string>
#include <vector>

// Reads a whole file that other processes may go on reading and writing.
class IFileReader {
public:
    virtual ~IFileReader() = default;
    // False when the file cannot be opened or is larger than maxBytes;
    // otherwise bytes holds what the read returned (possibly fewer bytes
    // than the file's length).
    virtual bool ReadWholeFile(const std::string& path, size_t maxBytes,
                               std::vector<char>& bytes) = 0;
};
