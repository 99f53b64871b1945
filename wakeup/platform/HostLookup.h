#pragma once
// Where the scheduler finds the host without waiting for its first event:
// the record that the extension module keeps in the host's process
// (common/HostRecord.h).
#include <cstddef>
#include <cstdint>

struct HostSeen {
    uint32_t process = 0; // 0: no running host has the module loaded
    int recordings = 0;
    bool paused = false;
};

class IHostLookup {
public:
    virtual ~IHostLookup() = default;
    // The host as its record says, while the host's process runs.
    virtual HostSeen Find() const = 0;
};

// The record's bytes as read: false for a record that is not one (too
// short, another mark, no process). Counts beyond reason are cut to a few.
bool ReadHostRecord(const unsigned char* bytes, size_t size, HostSeen& seen);
