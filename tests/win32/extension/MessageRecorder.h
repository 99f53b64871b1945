#pragma once
// A top-level window that stands in for the scheduler's: it carries the
// title the module looks for and records every wake-up message it receives.
// By default it is of the scheduler's dialog class; a window of another
// class with the same title (as Explorer shows for a folder of that name)
// must receive nothing.
#include <windows.h>

#include <ostream>
#include <vector>

#include "common/WakeupMessages.h"

struct RecordedMessage {
    WPARAM kind;
    LPARAM value;
    bool operator==(const RecordedMessage& other) const {
        return kind == other.kind && value == other.value;
    }
};

inline std::ostream& operator<<(std::ostream& out, const RecordedMessage& message) {
    return out << "{" << message.kind << ", " << message.value << "}";
}

class CMessageRecorder {
public:
    enum class Kind { dialog, otherClass };

    explicit CMessageRecorder(const char* title = WAKEUP_WINDOW_TITLE, Kind kind = Kind::dialog);
    ~CMessageRecorder();
    CMessageRecorder(const CMessageRecorder&) = delete;
    CMessageRecorder& operator=(const CMessageRecorder&) = delete;

    HWND Window() const { return m_window; }
    // The messages but the host's process id, which HostProcesses holds.
    const std::vector<RecordedMessage>& Messages() const { return m_messages; }
    const std::vector<LPARAM>& HostProcesses() const { return m_hostProcesses; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
    WNDPROC m_classProc = DefWindowProcA;
    std::vector<RecordedMessage> m_messages;
    std::vector<LPARAM> m_hostProcesses;
};
