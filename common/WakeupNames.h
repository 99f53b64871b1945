#pragma once
// The names that the scheduler, the extension module and the installer share.
// Plain defines of string literals: the resource scripts use them too, and
// the build turns them into the installer's defines (WakeupNames.nsh).

// The scheduler's window: a dialog, found by its class and its title.
#define WAKEUP_WINDOW_TITLE "OrvisaWakeUp"
// Every sender looks for the title and the dialog's window class together:
// title matches ignore case, and Explorer titles its window after the open
// folder, so a user with the folder "orvisawakeup" open would otherwise get
// the host's events sent to Explorer.
#define WAKEUP_WINDOW_CLASS "#32770"

// The folder of ours inside the host's directory, and what it holds. The
// scheduler derives the host's directory from its own path by this name.
#define WAKEUP_PROGRAM_DIR "orvisawakeup"
#define WAKEUP_PROGRAM_FILE "kelmarwakeup.exe"
#define WAKEUP_MODULE_FILE "OrvisaWakeup.dll"

// The host's schedule, in the host's directory.
#define WAKEUP_SCHEDULE_FILE "tvrecord.xml"
