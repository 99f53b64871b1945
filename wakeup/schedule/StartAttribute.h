#pragma once
#include <string>

#include "wakeup/platform/DateTime.h"

// Reads a `start` attribute, month-day-year "T" hour:minute and then any
// word (seconds, a zone, anything), as the pattern "%d-%d-%dT%d:%d%s" reads
// it: each number may have leading blanks and a sign. The seconds are always
// 0. False when fewer than five numbers are there or the calendar does not
// accept them; start is then left as it was.
bool ParseStartAttribute(const std::string& text, CDateTime& start);
