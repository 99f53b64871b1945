#pragma once
#include <string>

#include "wakeup/platform/DialogControls.h"

// Data exchange between members and dialog controls, with the dialog
// framework's checks and standard messages. A failed check shows its
// message, gives the offending control the focus and marks the exchange
// failed; the caller stops exchanging at that point, so later members keep
// their values.
class CDataExchange {
public:
    CDataExchange(IDialogControls& controls, bool saveAndValidate)
        : m_controls(controls), m_bSaveAndValidate(saveAndValidate) {}

    bool IsSaving() const { return m_bSaveAndValidate; }
    bool Failed() const { return m_bFailed; }

    // Decimal integer: leading and trailing blanks allowed, an optional sign,
    // nothing else. Unparsable text leaves value unchanged.
    bool Text(int id, int& value);
    bool Text(int id, std::string& value);
    bool Check(int id, int& value);
    // The range check reads the member, which already holds what was typed.
    bool MinMaxInt(int id, int value, int minValue, int maxValue);
    // When putting values into the controls, this limits the edit instead.
    bool MaxChars(int id, const std::string& value, int maxChars);

private:
    bool Fail(int id, const std::string& message);

    IDialogControls& m_controls;
    bool m_bSaveAndValidate;
    bool m_bFailed = false;
};

// "%1" and "%2" of a message replaced by the arguments.
std::string FormatMessageArgs(const std::string& format, const std::string& arg1,
                              const std::string& arg2 = std::string());
