#pragma once
#include <string>

#include "wakeup/dirwatch/DirectoryChangeHandler.h"
#include "wakeup/platform/WindowMessages.h"

// The dialog's receiver of changes in the host directory: every change of
// the schedule file, every start of the watch and every loss of changes
// becomes a schedule-change notice to the dialog window "OrvisaWakeUp", which then
// reads the schedule again. The callbacks arrive on the dialog's thread.
class CScheduleChangeHandler : public CDirectoryChangeHandler {
public:
    explicit CScheduleChangeHandler(IWindowMessenger& messenger) : m_messenger(messenger) {}

    void On_FileAdded(const std::string& path) override;
    void On_FileRemoved(const std::string& path) override;
    void On_FileRenamed(const std::string& oldPath, const std::string& newPath) override;
    void On_FileModified(const std::string& path) override;
    void On_WatchStarted(uint32_t error, const std::string& directory) override;
    void On_WatchStopped(const std::string& directory) override;
    // Changes the system dropped may have been writes of the schedule.
    void On_ChangesLost(const std::string& directory) override;

private:
    void Notify(long code);

    IWindowMessenger& m_messenger;
};
