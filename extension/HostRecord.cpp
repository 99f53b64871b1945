#include "extension/HostRecord.h"

#include "common/HostRecord.h"
#include "common/win32/Owners.h"

namespace {
SRWLOCK g_lock = SRWLOCK_INIT;
CUniqueHandle g_mapping;
CUniqueView g_view;

class CExclusive {
public:
    CExclusive() { AcquireSRWLockExclusive(&g_lock); }
    ~CExclusive() { ReleaseSRWLockExclusive(&g_lock); }
    CExclusive(const CExclusive&) = delete;
    CExclusive& operator=(const CExclusive&) = delete;
};

// The record, made if need be; null when the system gave none. Under the
// lock.
WakeupHostRecord* Record() {
    if (g_view)
        return static_cast<WakeupHostRecord*>(g_view.Get());
    g_mapping.Reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                       sizeof(WakeupHostRecord), WAKEUP_HOST_RECORD_NAME));
    if (!g_mapping)
        return nullptr;
    g_view.Reset(MapViewOfFile(g_mapping.Get(), FILE_MAP_WRITE, 0, 0, sizeof(WakeupHostRecord)));
    if (!g_view) {
        g_mapping.Reset();
        return nullptr;
    }
    // A second copy of the host in this session takes the record over:
    // the scheduler follows the newest.
    auto* record = static_cast<WakeupHostRecord*>(g_view.Get());
    record->recordings = 0;
    record->paused = 0;
    record->processId = GetCurrentProcessId();
    record->size = sizeof(WakeupHostRecord);
    record->mark = WAKEUP_HOST_RECORD_MARK;
    return record;
}
} // namespace

void KeepHostRecord() {
    const CExclusive lock;
    Record();
}

void NoteHostEvent(LONG code) {
    const CExclusive lock;
    if (WakeupHostRecord* record = Record()) {
        int32_t recordings = record->recordings, paused = record->paused;
        CountHostEvent(static_cast<int32_t>(code), recordings, paused);
        record->recordings = recordings;
        record->paused = paused;
    }
}

void DropHostRecord() {
    const CExclusive lock;
    g_view.Reset();
    g_mapping.Reset();
}
