#include "wakeup/platform/HostLookup.h"

#include <cstring>

#include "common/HostRecord.h"

bool ReadHostRecord(const unsigned char* bytes, size_t size, HostSeen& seen) {
    WakeupHostRecord record;
    if (!bytes || size < sizeof record)
        return false;
    std::memcpy(&record, bytes, sizeof record);
    if (record.mark != WAKEUP_HOST_RECORD_MARK || record.size < sizeof record ||
        record.processId == 0)
        return false;
    // No host runs more recordings than it has tuners.
    constexpr int32_t kMostRecordings = 16;
    seen.process = record.processId;
    seen.recordings = record.recordings < 0                 ? 0
                      : record.recordings > kMostRecordings ? kMostRecordings
                                                            : record.recordings;
    seen.paused = record.paused != 0;
    return true;
}
