#pragma once
// The scheduler's settings: values in the host's own key, which the host
// writes too. "UseHibernate" is the host's name for the choice and is read;
// the scheduler writes its own changes as "SuspendHibernate", so that the
// host's setting is never overwritten by ours. The values marked "read"
// below are written by the Options dialog too, or by hand.

#define WAKEUP_SETTINGS_KEY "Software\\Vorx\\Orvisa\\3.0"
#define WAKEUP_SETTING_PVR_BUFFER_BEGIN "PVRBufferBegin"    // read: lead time, minutes
#define WAKEUP_SETTING_SUSPEND_TIME "SuspendTime"           // read and written
#define WAKEUP_SETTING_SUSPEND_TEXT "SuspendText"           // read and written
#define WAKEUP_SETTING_USE_HIBERNATE "UseHibernate"         // read only
#define WAKEUP_SETTING_SUSPEND_HIBERNATE "SuspendHibernate" // written only
// Read: 0 when keyboard and mouse do not count as activity (a PC used
// only through the host's remote control).
#define WAKEUP_SETTING_COUNT_USER_INPUT "CountUserInput"
// Read: the countdown does not sleep when the armed recording's wake
// is closer than this many minutes; 0 turns the margin off.
#define WAKEUP_SETTING_SLEEP_MARGIN_MINUTES "SleepMarginMinutes"
// Read: the host's program, started for a recording whose wake finds
// no host running; empty (the default): nothing is started.
#define WAKEUP_SETTING_HOST_PROGRAM "HostProgram"
// Read: programs that keep the PC awake while they run, separated by
// ';' ("comskip.exe;ffmpeg"); empty (the default): none.
#define WAKEUP_SETTING_KEEP_AWAKE_PROGRAMS "KeepAwakePrograms"
// Read: network traffic above this many kilobytes a second, averaged
// over a minute, counts as activity; 0 (the default): off.
#define WAKEUP_SETTING_NETWORK_BUSY_KBPS "NetworkBusyKBps"

#define WAKEUP_DEFAULT_SUSPEND_TEXT "Use remote controle to cancel auto shutdown in %d minutes..."
