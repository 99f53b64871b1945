#pragma once
// The host's record: a small named shared memory that the extension module
// keeps in the host's process from the host's first use of its classes
// until the module is unloaded, so that a scheduler that starts later, or
// wakes with the PC, finds the host without waiting for its first event,
// and learns what it records. The record goes with the host's process: the
// system removes it with the last handle. Its layout is part of the
// protocol between the two binaries; a reader checks the mark and the size
// and trusts nothing else in it.
#include <stdint.h>

// In the session's namespace: the scheduler of each session looks for the
// host of its own session.
#define WAKEUP_HOST_RECORD_NAME "Local\\OrvisaWakeup.Host"
// "ORVH", in the record's first four bytes.
#define WAKEUP_HOST_RECORD_MARK 0x4856524Fu

struct WakeupHostRecord {
    uint32_t mark;
    uint32_t size; // sizeof(WakeupHostRecord) as its writer knew it
    uint32_t processId;
    // The recordings the host reported running, and 1 while its playback
    // is paused, as CountHostEvent keeps them.
    int32_t recordings;
    int32_t paused;
};

// What a player event does to the record: a start adds a recording, a stop
// takes one away, "in progress" means one at least; pause and resume set
// and clear the pause. Any other event changes nothing.
inline void CountHostEvent(int32_t code, int32_t& recordings, int32_t& paused) {
    switch (code) {
    case 25: // recording started
        ++recordings;
        break;
    case 26: // recording stopped
        recordings = recordings > 0 ? recordings - 1 : 0;
        break;
    case 27: // recording in progress
        recordings = recordings > 0 ? recordings : 1;
        break;
    case 0: // pause
        paused = 1;
        break;
    case 1: // resume
        paused = 0;
        break;
    default:
        break;
    }
}
