#pragma once
// Arithmetic of the wake timer: how far away the target is, how that is
// written in the log, and when the machine is to wake.
#include <cstdint>
#include <string>

#include "wakeup/platform/DateTime.h"

// Whole seconds of a span: days x 86,400 plus half a second (which absorbs
// the floating-point error of the day count), truncated toward zero. Spans
// beyond the 32-bit range are clamped to it.
int32_t SpanSeconds(const CDateTimeSpan& span);

// "%D days %H:%M:%S": whole days, then hours, minutes and seconds of the
// rest of the day with two digits each, seconds rounded to the nearest.
// A negative span (a target already past) is written with a leading '-'.
std::string FormatSpanText(const CDateTimeSpan& span);

// The machine wakes 60 seconds before the target, or at the target itself
// when that is 60 seconds ahead or less (or already past).
CDateTime WakeMoment(const CDateTime& target, int32_t spanSeconds);
