#include "tests/win32/dirwatch/DirWatchWineSupport.h"

#include "tests/win32/support/WineTestSupport.h"

namespace dirwatch_wine {

void CRecordingHandler::Record(const std::string& event) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.push_back(event);
    m_threads.push_back(GetCurrentThreadId());
}

std::vector<std::string> CRecordingHandler::Events() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_events;
}

std::vector<DWORD> CRecordingHandler::Threads() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_threads;
}

std::vector<std::string> CRecordingHandler::EventsWithoutModified() const {
    std::vector<std::string> out;
    for (const auto& event : Events())
        if (event.compare(0, 9, "modified ") != 0)
            out.push_back(event);
    return out;
}

bool CRecordingHandler::Has(const std::string& event) const {
    std::lock_guard<std::mutex> guard(m_lock);
    for (const auto& e : m_events)
        if (e == event)
            return true;
    return false;
}

bool CRecordingHandler::WaitForEvent(const std::string& event) {
    return winetest::WaitFor([&] { return Has(event); });
}

bool RunFileOps(const std::string& dir, const std::vector<std::string>& steps) {
    std::string command =
        "\"" + winetest::ProgramDir() + "\\dirwatch_fileops.exe\" \"" + dir + "\"";
    for (const auto& step : steps)
        command += " \"" + step + "\"";
    // Waits without pumping this thread's messages (unlike RunToExit): the
    // tests decide themselves when queued callbacks may be dispatched.
    winetest::CProcess process;
    if (!process.Start(command))
        return false;
    return process.WaitExit() && process.ExitCode() == 0;
}

DWORD HandleCount() {
    // GetProcessHandleCount answers 0 under Wine; every open handle of the
    // process answers GetHandleInformation, and handle values are small
    // multiples of 4.
    DWORD count = 0;
    for (uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

} // namespace dirwatch_wine
