#include "wakeup/platform/win32/Win32HostLookup.h"

#include <windows.h>

#include "common/HostRecord.h"
#include "common/win32/Owners.h"

namespace {
// The process runs: a record outlives its host only while someone else
// holds a handle to it.
bool Running(DWORD processId) {
    const CUniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
    return process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}
} // namespace

HostSeen CWin32HostLookup::Find() const {
    HostSeen seen;
    const CUniqueHandle mapping(OpenFileMappingA(FILE_MAP_READ, FALSE, WAKEUP_HOST_RECORD_NAME));
    if (!mapping)
        return seen;
    const CUniqueView view(
        MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, sizeof(WakeupHostRecord)));
    if (!view)
        return seen;
    // A copy first: the host writes it as it likes.
    unsigned char bytes[sizeof(WakeupHostRecord)];
    CopyMemory(bytes, view.Get(), sizeof bytes);
    HostSeen read;
    if (ReadHostRecord(bytes, sizeof bytes, read) && Running(read.process))
        seen = read;
    return seen;
}
