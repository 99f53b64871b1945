#pragma once
// The window-message protocol between the extension module and the scheduler,
// and within the scheduler: WM_USER to the top-level dialog window titled
// "OrvisaWakeUp", the kind in wParam and a 32-bit value in lParam, always sent
// synchronously.

#include "common/WakeupNames.h"

#define WAKEUP_MESSAGE 0x0400 /* WM_USER */

enum WakeupMessageKind : unsigned long {
    WAKEUP_MSG_SCHEDULE_DIR_CHANGED = 1234566, // lParam: change code 1..5
    WAKEUP_MSG_PLAYER_EVENT = 1234567,         // lParam: the host's event code
    WAKEUP_MSG_PLAYER_STATE = 1234568,         // lParam: value read back from the player
    WAKEUP_MSG_SELECTION_CHANGED = 1234569,    // lParam: the selection number
    WAKEUP_MSG_OSD_ACTION = 1234570,           // lParam: 1 from a page, 0 from a skin control
    // lParam: the process id of the host that loaded the module, sent before
    // the first message to each scheduler window, so that the scheduler
    // learns when the host ends, however it ends. A scheduler that does not
    // know the kind ignores it.
    WAKEUP_MSG_HOST_PROCESS = 1234571,
    // lParam: stay awake this many minutes; 0 until sleep is allowed, -1
    // allow sleep. A second start with /stayawake hands it over so.
    WAKEUP_MSG_STAY_AWAKE = 1234572,
};

// lParam codes of WAKEUP_MSG_SCHEDULE_DIR_CHANGED.
enum ScheduleChangeCode : long {
    SCHEDULE_CHANGE_ADDED = 1,
    SCHEDULE_CHANGE_REMOVED = 2,
    SCHEDULE_CHANGE_MODIFIED = 3,
    SCHEDULE_CHANGE_RENAMED = 4,
    SCHEDULE_CHANGE_WATCH_STARTED = 5,
};
