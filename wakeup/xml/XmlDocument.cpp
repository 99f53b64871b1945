#include "wakeup/xml/XmlDocument.h"

#include <cstring>
#include <utility>

#include "wakeup/platform/CodePage.h"
#include "wakeup/xml/XmlEntities.h"
#include "wakeup/xml/XmlParse.h"
#include "wakeup/xml/XmlTokenCursor.h"

namespace {
const char kTooLong[] = "Document too large";
}

CXmlDocument::CXmlDocument() : m_pCodePage(nullptr) {
    Parse(nullptr);
}

CXmlDocument::CXmlDocument(const ICodePage& codePage) : m_pCodePage(&codePage) {
    Parse(nullptr);
}

CXmlDocument::~CXmlDocument() = default;

bool CXmlDocument::Parse(const char* text) {
    if (m_pCodePage)
        m_lead.Load(*m_pCodePage);
    else
        m_lead.Load(ActiveCodePage());

    const size_t length = text ? std::strlen(text) : 0;
    const bool tooLong = length > static_cast<size_t>(kMaxTextLength);
    if (tooLong)
        m_strText.clear();
    else
        m_strText.assign(text ? text : "", length);

    // The table is lent to the parse and taken back: it never shrinks, and a
    // text no larger than the last one is indexed without allocating.
    XmlParseResult result = ParseXml(Text(), std::move(m_spans));
    m_spans = std::move(result.spans);
    m_nNextFree = result.spanCount;
    if (tooLong)
        m_strError = kTooLong;
    else
        m_strError = std::move(result.error);
    ResetPosition();
    return IsWellFormed();
}

XmlText CXmlDocument::Text() const {
    return XmlText(m_strText.c_str(), static_cast<int32_t>(m_strText.size()), m_lead);
}

const XmlElementSpan& CXmlDocument::GetSpan(int32_t index) const {
    static const XmlElementSpan kNone = {};
    return (index >= 0 && index < m_nNextFree) ? m_spans[static_cast<size_t>(index)] : kNone;
}

bool CXmlDocument::IsWellFormed() const {
    return !m_spans.empty() && m_spans[0].firstChild != 0;
}

void CXmlDocument::ResetPosition() {
    m_nParent = 0;
    m_nCurrent = 0;
    m_nChild = 0;
    m_nCurrentIsElement = 0;
}

// The next child of parent after the child `after` (0: from the first) whose
// tag name matches; 0 when there is none.
int32_t CXmlDocument::FindNext(int32_t parent, int32_t after, const char* name) const {
    int32_t candidate = after ? m_spans[static_cast<size_t>(after)].nextSibling
                              : m_spans[static_cast<size_t>(parent)].firstChild;
    if (!name || !*name)
        return candidate;
    const size_t nameLength = std::strlen(name);
    const XmlText text = Text();
    for (; candidate; candidate = m_spans[static_cast<size_t>(candidate)].nextSibling) {
        XmlTokenCursor cursor(text, m_spans[static_cast<size_t>(candidate)].tagStart + 1);
        if (cursor.Scan() && !cursor.quoted && cursor.Matches(name, nameLength))
            return candidate;
    }
    return 0;
}

bool CXmlDocument::FindElement(const char* name) {
    if (m_spans.empty())
        return false;
    const int32_t found = FindNext(m_nParent, m_nCurrent, name);
    if (!found)
        return false;
    m_nParent = m_spans[static_cast<size_t>(found)].parent;
    m_nCurrent = found;
    m_nChild = 0;
    m_nCurrentIsElement = 1;
    return true;
}

bool CXmlDocument::FindChildElement(const char* name) {
    if (m_nCurrent == 0)
        FindElement(nullptr); // the root becomes current, whatever its name
    const int32_t found = FindNext(m_nCurrent, m_nChild, name);
    if (!found)
        return false;
    m_nChild = found;
    m_nCurrent = m_spans[static_cast<size_t>(found)].parent;
    m_nParent = m_spans[static_cast<size_t>(m_nCurrent)].parent;
    m_nCurrentIsElement = 1;
    return true;
}

bool CXmlDocument::EnterElement() {
    if (m_nCurrent == 0 || m_nCurrentIsElement == 0)
        return false;
    m_nParent = m_nCurrent;
    m_nCurrent = m_nChild;
    m_nChild = 0;
    m_nCurrentIsElement = m_nCurrent != 0 ? 1 : 0;
    return true;
}

bool CXmlDocument::LeaveElement() {
    if (m_nParent == 0)
        return false;
    m_nChild = m_nCurrent;
    m_nCurrent = m_nParent;
    m_nParent = m_spans[static_cast<size_t>(m_nCurrent)].parent;
    m_nCurrentIsElement = 1;
    return true;
}

std::string CXmlDocument::GetTagName() const {
    if (!IsElement(m_nCurrent))
        return std::string();
    const XmlText text = Text();
    XmlTokenCursor cursor(text, m_spans[static_cast<size_t>(m_nCurrent)].tagStart + 1);
    if (!cursor.Scan() || cursor.Length() <= 0)
        return std::string();
    return std::string(cursor.Begin(), static_cast<size_t>(cursor.Length()));
}

std::string CXmlDocument::GetChildAttribute(const char* name) const {
    if (m_nCurrentIsElement == 0)
        return std::string();
    return AttributeOf(m_nChild, name);
}

std::string CXmlDocument::AttributeOf(int32_t span, const char* name) const {
    std::string value;
    if (!IsElement(span) || !name)
        return value;
    const size_t nameLength = std::strlen(name);
    const XmlText text = Text();
    XmlTokenCursor cursor(text, m_spans[static_cast<size_t>(span)].tagStart + 1);
    if (!cursor.Scan()) // the tag name
        return value;
    int32_t matched = -1; // count of the matching name; none yet
    for (int32_t count = 1; cursor.Scan(); ++count) {
        if (cursor.quoted) {
            if (matched >= 0 && count == matched + 2) {
                XmlDecodeEntities(text, cursor.tokenStart, cursor.tokenEnd, value);
                return value;
            }
            continue;
        }
        const char first = cursor.First();
        if (first == '/' || first == '>' || first == '?')
            return value;
        if (first == '=')
            continue;
        if (matched < 0 && cursor.Matches(name, nameLength))
            matched = count;
    }
    return value;
}

std::string CXmlDocument::GetElementText(int32_t span) const {
    std::string result;
    if (!IsElement(span))
        return result;
    const XmlElementSpan& e = m_spans[static_cast<size_t>(span)];
    if (e.firstChild != 0 || e.startTagEnd == e.endTagStart + 1)
        return result;
    const XmlText text = Text();
    const char* s = text.Data();
    int32_t start = e.startTagEnd + 1;
    while (start < e.endTagStart && XmlTokenCursor::IsSpace(s[start]))
        ++start;
    static const char kOpen[] = "<![CDATA[";
    static const char kClose[] = "]]>";
    if (start + 11 < e.endTagStart && std::memcmp(s + start, kOpen, 9) == 0) {
        int32_t close = start + 9;
        if (text.FindString(close, kClose, 3, e.endTagStart)) {
            result.assign(s + start + 9, static_cast<size_t>(close - (start + 9)));
            return result;
        }
    }
    XmlDecodeEntities(text, e.startTagEnd + 1, e.endTagStart - 1, result);
    return result;
}
