#include "wakeup/app/DataExchange.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "wakeup/app/resource.h"
#include "wakeup/platform/Blank.h"

namespace {
bool ParseInt(const std::string& text, int& value) {
    const char* p = text.c_str();
    while (IsBlank(*p))
        ++p;
    if (*p == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(p, &end, 10);
    if (end == p || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    while (IsBlank(*end))
        ++end;
    if (*end != '\0')
        return false;
    value = static_cast<int>(parsed);
    return true;
}
} // namespace

std::string FormatMessageArgs(const std::string& format, const std::string& arg1,
                              const std::string& arg2) {
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == '1' || format[i + 1] == '2')) {
            out += format[i + 1] == '1' ? arg1 : arg2;
            ++i;
        } else {
            out += format[i];
        }
    }
    return out;
}

bool CDataExchange::Fail(int id, const std::string& message) {
    m_controls.ShowMessage(message);
    m_controls.FocusControl(id);
    m_bFailed = true;
    return false;
}

bool CDataExchange::Text(int id, int& value) {
    if (!m_bSaveAndValidate) {
        m_controls.SetItemText(id, std::to_string(value));
        return true;
    }
    if (!ParseInt(m_controls.GetItemText(id), value))
        return Fail(id, m_controls.LoadResourceString(IDS_PARSE_INT));
    return true;
}

bool CDataExchange::Text(int id, std::string& value) {
    if (m_bSaveAndValidate)
        value = m_controls.GetItemText(id);
    else
        m_controls.SetItemText(id, value);
    return true;
}

bool CDataExchange::Check(int id, int& value) {
    if (m_bSaveAndValidate)
        value = m_controls.GetCheck(id) ? 1 : 0;
    else
        m_controls.SetCheck(id, value != 0);
    return true;
}

bool CDataExchange::MinMaxInt(int id, int value, int minValue, int maxValue) {
    if (!m_bSaveAndValidate || (value >= minValue && value <= maxValue))
        return true;
    return Fail(id, FormatMessageArgs(m_controls.LoadResourceString(IDS_PARSE_INT_RANGE),
                                      std::to_string(minValue), std::to_string(maxValue)));
}

bool CDataExchange::MaxChars(int id, const std::string& value, int maxChars) {
    if (!m_bSaveAndValidate) {
        m_controls.LimitText(id, maxChars);
        return true;
    }
    if (value.size() <= static_cast<size_t>(maxChars))
        return true;
    return Fail(id, FormatMessageArgs(m_controls.LoadResourceString(IDS_PARSE_STRING_SIZE),
                                      std::to_string(maxChars)));
}
