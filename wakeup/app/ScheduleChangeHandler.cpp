#include "wakeup/app/ScheduleChangeHandler.h"

#include "common/WakeupMessages.h"

void CScheduleChangeHandler::Notify(long code) {
    // To this program's own window, not to whichever window of its class and
    // title comes first; without the window the notice is lost.
    m_messenger.SendToDialog(WAKEUP_MESSAGE, WAKEUP_MSG_SCHEDULE_DIR_CHANGED,
                             static_cast<int32_t>(code));
}

void CScheduleChangeHandler::On_FileAdded(const std::string&) {
    Notify(SCHEDULE_CHANGE_ADDED);
}

void CScheduleChangeHandler::On_FileRemoved(const std::string&) {
    Notify(SCHEDULE_CHANGE_REMOVED);
}

void CScheduleChangeHandler::On_FileRenamed(const std::string&, const std::string&) {
    Notify(SCHEDULE_CHANGE_RENAMED);
}

void CScheduleChangeHandler::On_FileModified(const std::string&) {
    Notify(SCHEDULE_CHANGE_MODIFIED);
}

void CScheduleChangeHandler::On_WatchStarted(uint32_t error, const std::string&) {
    if (error == 0)
        Notify(SCHEDULE_CHANGE_WATCH_STARTED);
}

void CScheduleChangeHandler::On_WatchStopped(const std::string&) {}

void CScheduleChangeHandler::On_ChangesLost(const std::string&) {
    Notify(SCHEDULE_CHANGE_MODIFIED);
}
