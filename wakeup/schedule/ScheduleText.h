#pragma once
#include <string>
#include <vector>

#include "wakeup/platform/CodePage.h"

// The schedule file's bytes as narrow text: after the UTF-16 little-endian
// byte-order mark FF FE the rest is UTF-16 up to its first zero unit (a final
// odd byte forms a unit with a zero high byte), converted to the ANSI code
// page; any other content is taken as it is, up to its first zero byte. No
// other byte-order mark is recognised.
std::string DecodeScheduleText(const std::vector<char>& bytes, const ICodePage& codePage);
