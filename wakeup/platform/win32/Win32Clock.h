#pragma once
#include "wakeup/platform/Clock.h"
#include "wakeup/platform/DateText.h"

class CWin32Clock : public IClock {
public:
    CDateTime Now() const override;
    CDateTime NowUtc() const override;
};

// VarBstrFromDate with the user's default locale and no flags.
class CWin32DateText : public IDateText {
public:
    std::string Format(const CDateTime& when) const override;
};
