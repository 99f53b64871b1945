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

CHoldingHandler::CHoldingHandler()
    : m_entered(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      m_release(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CHoldingHandler::~CHoldingHandler() {
    SetEvent(m_release.Get());
}

void CHoldingHandler::SetChangedDirectoryName(const std::string& directory) {
    CRecordingHandler::SetChangedDirectoryName(directory);
    if (!m_held) {
        m_held = true;
        SetEvent(m_entered.Get());
        WaitForSingleObject(m_release.Get(), winetest::kDeadlineMs);
    }
}

bool CHoldingHandler::WaitUntilHeld() {
    return WaitForSingleObject(m_entered.Get(), winetest::kDeadlineMs) == WAIT_OBJECT_0;
}

void CHoldingHandler::Resume() {
    SetEvent(m_release.Get());
}

HANDLE FindDirectoryHandle(const std::string& dir) {
    const CUniqueHandle own(CreateFileA(
        dir.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!own)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION wanted{};
    HANDLE found = nullptr;
    if (GetFileInformationByHandle(own.Get(), &wanted)) {
        // Handle values are small multiples of 4 (see HandleCount).
        for (uintptr_t value = 4; value < 0x10000 && !found; value += 4) {
            const HANDLE h = reinterpret_cast<HANDLE>(value);
            BY_HANDLE_FILE_INFORMATION info{};
            if (h != own.Get() && GetFileInformationByHandle(h, &info) &&
                info.dwVolumeSerialNumber == wanted.dwVolumeSerialNumber &&
                info.nFileIndexHigh == wanted.nFileIndexHigh &&
                info.nFileIndexLow == wanted.nFileIndexLow)
                found = h;
        }
    }
    return found;
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
