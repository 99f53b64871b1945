#pragma once
// Change buffers as the system writes them, and a handler that records every
// callback as one line of text.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "wakeup/dirwatch/DirectoryChangeHandler.h"
#include "wakeup/dirwatch/FileNotifyInformation.h"

namespace dirwatch_test {

struct Record {
    uint32_t action;
    std::u16string name;
    // Overrides of the written fields, for hostile buffers.
    int64_t nextOffset = -1;
    int64_t nameLength = -1;
};

inline void PutField(std::vector<unsigned char>& buffer, size_t at, uint32_t value) {
    std::memcpy(buffer.data() + at, &value, sizeof value);
}

// Writes the records from offset start on, each 4-byte aligned, the last
// with next-entry offset 0; the buffer is CHANGE_BUFFER_SIZE bytes. Returns
// the bytes used.
inline uint32_t WriteRecords(std::vector<unsigned char>& buffer, const std::vector<Record>& records,
                             size_t start = 0) {
    if (buffer.size() < CHANGE_BUFFER_SIZE)
        buffer.resize(CHANGE_BUFFER_SIZE);
    size_t at = start;
    size_t end = start;
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        const size_t nameBytes = r.name.size() * 2;
        const size_t size = (CHANGE_RECORD_HEADER + nameBytes + 3) & ~size_t{3};
        const bool last = i + 1 == records.size();
        const auto next = static_cast<uint32_t>(last ? 0 : size);
        PutField(buffer, at, r.nextOffset >= 0 ? static_cast<uint32_t>(r.nextOffset) : next);
        PutField(buffer, at + 4, r.action);
        PutField(buffer, at + 8,
                 r.nameLength >= 0 ? static_cast<uint32_t>(r.nameLength)
                                   : static_cast<uint32_t>(nameBytes));
        std::memcpy(buffer.data() + at + CHANGE_RECORD_HEADER, r.name.data(), nameBytes);
        end = at + CHANGE_RECORD_HEADER + nameBytes;
        at += size;
    }
    return static_cast<uint32_t>(end - start);
}

class CRecordingHandler : public CDirectoryChangeHandler {
public:
    void On_FileAdded(const std::string& path) override { calls.push_back("added " + path); }
    void On_FileRemoved(const std::string& path) override { calls.push_back("removed " + path); }
    void On_FileRenamed(const std::string& from, const std::string& to) override {
        calls.push_back("renamed " + from + " -> " + to);
    }
    void On_FileModified(const std::string& path) override { calls.push_back("modified " + path); }
    void On_ChangesLost(const std::string& directory) override {
        calls.push_back("lost " + directory);
    }
    bool On_FilterChange(uint32_t action, const char* name, const char* newName) override {
        hookCalls.push_back(std::to_string(action) + " " + name + (newName ? " " : "") +
                            (newName ? newName : ""));
        return hookAnswer;
    }

    std::vector<std::string> calls;
    std::vector<std::string> hookCalls;
    bool hookAnswer = true;
};

} // namespace dirwatch_test
