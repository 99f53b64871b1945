#pragma once
#include <cstdint>

// The logon session the scheduler runs in. With fast user switching several
// sessions run at once, and only the one attached to the console hears the
// host that the user in front of the PC uses.
class ISession {
public:
    virtual ~ISession() = default;
    // True when this process's session is the one at the physical console.
    virtual bool AtConsole() = 0;
    // How long ago the session's last keyboard or mouse input was; false
    // when the system cannot tell.
    virtual bool MillisecondsSinceInput(uint32_t& ms) = 0;
    // While set, the schedulers of the other sessions see that this one
    // records, or holds a woken PC for a recording: a named object in the
    // global namespace, one per session.
    virtual void SetRecordingMark(bool recording) = 0;
    // Whether the scheduler of another session holds its mark now.
    virtual bool OtherSessionRecording() = 0;
};
