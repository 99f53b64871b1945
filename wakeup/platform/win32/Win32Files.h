#pragma once
#include "wakeup/platform/FileReader.h"

class CWin32FileReader : public IFileReader {
public:
    bool ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<char>& bytes) override;
};
