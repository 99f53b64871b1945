#pragma once
// The host's record (common/HostRecord.h), kept in this process.
#include <windows.h>

// Made on the host's first use of the module's classes (a program that
// only registers the module makes none); again after a failure.
void KeepHostRecord();
// A player event, counted into the record once it is forwarded: the record
// says what the host records even while no scheduler runs.
void NoteHostEvent(LONG code);
// The module is unloaded: the record goes with its last handle.
void DropHostRecord();
