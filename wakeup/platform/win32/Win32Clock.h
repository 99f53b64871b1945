#pragma once
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"

class CWin32Clock : public IClock {
public:
    CDateTime Now() const override;
    CDateTime NowUtc() const override;
};

// As VarBstrFromDate renders a date with the user's default locale and no
// flags: the short date, and the time unless it is midnight. The kernel's
// date and time formats render every date from 1601 on, so that the
// automation library, which the program needs for nothing else, is not
// loaded for as long as it runs.
class CWin32DateText : public IDateText {
public:
    std::string Format(const CDateTime& when) const override;
};
