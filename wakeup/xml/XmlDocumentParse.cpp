// Parse: one recursive pass that indexes every element's extent. It checks
// only that tags open and close and that each end tag names its element.
#include <cstring>
#include <string>

#include "wakeup/platform/CodePage.h"
#include "wakeup/xml/XmlDocument.h"
#include "wakeup/xml/XmlTokenCursor.h"

namespace {
const char kTagNotFound[] = "Element tag not found";
const char kAbruptEnd[] = "Abrupt end within tag";
const char kQuotedTag[] = "Tag starts with quote";
const char kInvalidNode[] = "Invalid node";
const char kNoTagEnd[] = "End of tag not found";
const char kNoEndTag[] = "End tag of %s element not found";
const char kExpectingEndTag[] = "Expecting end tag of element %s";
const char kWrongEndTag[] = "End tag does not correspond to %s";
const char kEndTagIncomplete[] = "End tag not completed for element %s";
// Not one of the reader's classic messages: the nesting bound is ours.
const char kTooDeep[] = "Element %s is nested deeper than 256 levels";
const char kTooLong[] = "Document too large";
} // namespace

static_assert(CXmlDocument::kMaxDepth == 256, "kTooDeep names the limit");

void CXmlDocument::GrowTable(size_t atLeast) {
    if (m_spans.size() < atLeast)
        m_spans.resize(atLeast, XmlElementSpan{}); // new slots zero-filled
}

int32_t CXmlDocument::TakeSlot() {
    const size_t size = m_spans.size();
    if (static_cast<size_t>(m_nNextFree) >= size)
        GrowTable(size + size / 2);
    return m_nNextFree++;
}

bool CXmlDocument::Parse(const char* text) {
    m_nNextFree = 1;
    ResetPosition();
    m_strError.clear();
    if (m_pCodePage)
        m_lead.Load(*m_pCodePage);
    else
        m_lead.Load(ActiveCodePage());

    const size_t length = text ? std::strlen(text) : 0;
    if (length > static_cast<size_t>(kMaxTextLength)) {
        m_strText.clear();
        m_strError = kTooLong;
    } else {
        m_strText.assign(text ? text : "", length);
    }
    GrowTable(m_strText.size() / 64 + 8);

    // Slot 0 is cleared for an empty text too: a root left over from an
    // earlier parse would point past the end of the new text.
    m_spans[0] = XmlElementSpan{};
    bool ok = false;
    if (!m_strText.empty()) {
        const int32_t root = ParseElement(0, 1);
        if (root >= 1) {
            m_spans[0].firstChild = root;
            ok = true;
        } else {
            m_spans[0] = XmlElementSpan{};
            m_nNextFree = 1;
        }
    }
    ResetPosition();
    return ok;
}

int32_t CXmlDocument::Fail(const char* message) {
    m_strError = message;
    --m_nNextFree;
    return -1;
}

int32_t CXmlDocument::Fail(const char* pattern, int32_t nameStart, int32_t nameLength) {
    const char* mark = std::strstr(pattern, "%s");
    m_strError.assign(pattern, static_cast<size_t>(mark - pattern));
    m_strError.append(m_strText, static_cast<size_t>(nameStart), static_cast<size_t>(nameLength));
    m_strError.append(mark + 2);
    --m_nNextFree;
    return -1;
}

// Finds the '>' that ends a start tag, from p (just after the tag name); it
// does not respect quotes. emptyElement tells whether the character before it
// is '/': a trail byte equal to '/' is not.
bool CXmlDocument::FindStartTagEnd(int32_t& p, bool& emptyElement) const {
    const XmlText text = Text();
    if (!text.IsMultiByte()) {
        const int32_t from = p;
        if (!text.FindChar(p, '>'))
            return false;
        emptyElement = p > from && text.At(p - 1) == '/';
        return true;
    }
    int32_t previous = -1;
    const int32_t end = text.Length();
    while (p < end) {
        if (text.At(p) == '>') {
            emptyElement = previous == p - 1 && text.At(previous) == '/';
            return true;
        }
        previous = p;
        p = text.Step(p);
    }
    return false;
}

// Skips the processing instruction, comment, CDATA section or declaration
// that starts with the '<' at p; markOffset is the offset of its '?' or '!'.
// On success p is just after the node.
bool CXmlDocument::SkipNode(int32_t& p, int32_t markOffset) const {
    const XmlText text = Text();
    const int32_t end = text.Length();
    if (markOffset + 1 >= end)
        return false;
    int32_t at = p;
    if (text.At(markOffset) == '?') {
        if (!text.FindString(at, "?>", 2, end))
            return false;
        p = at + 2;
        return true;
    }
    const char kind = text.At(markOffset + 1);
    if (kind == '[' || kind == '-') {
        if (!text.FindString(at, kind == '[' ? "]]>" : "-->", 3, end))
            return false;
        p = at + 3;
        return true;
    }
    // A declaration: its closing '>' is the first one outside [ ] brackets.
    XmlTokenCursor cursor(text, p);
    int depth = 0;
    while (cursor.Scan()) {
        if (cursor.quoted)
            continue;
        const char first = cursor.First();
        if (first == '[')
            ++depth;
        else if (first == ']')
            --depth;
        else if (first == '>' && depth == 0) {
            p = cursor.next;
            return true;
        }
    }
    return false;
}

// Parses the next element in the content of parent. Returns its slot, 0 when
// an end tag came first (it is the parent's), or -1 after an error.
int32_t CXmlDocument::ParseElement(int32_t parent, int depth) {
    const int32_t n = TakeSlot();
    {
        XmlElementSpan& e = m_spans[static_cast<size_t>(n)];
        e.parent = parent;
        e.firstChild = 0;
        e.nextSibling = 0;
    }
    const XmlText text = Text();
    const size_t p = static_cast<size_t>(parent);
    const size_t self = static_cast<size_t>(n);
    int32_t pos = m_spans[p].endTagStart;
    int32_t nameStart = 0;
    int32_t nameLength = 0;
    while (nameLength == 0) {
        if (!text.FindChar(pos, '<'))
            return Fail(kTagNotFound);
        m_spans[self].tagStart = pos;
        m_spans[p].endTagStart = pos;
        XmlTokenCursor cursor(text, pos + 1);
        if (!cursor.Scan())
            return Fail(kAbruptEnd);
        if (cursor.quoted)
            return Fail(kQuotedTag);
        const char first = cursor.First();
        if (first == '?' || first == '!') {
            if (!SkipNode(pos, cursor.tokenStart))
                return Fail(kInvalidNode);
            m_spans[p].endTagStart = pos;
            continue;
        }
        if (first == '/') {
            --m_nNextFree; // the end tag belongs to the parent
            return 0;
        }
        nameStart = cursor.tokenStart;
        nameLength = cursor.Length();
        pos = cursor.next;
    }
    // A hostile or broken file must not exhaust the stack.
    if (depth > kMaxDepth)
        return Fail(kTooDeep, nameStart, nameLength);

    bool emptyElement = false;
    if (!FindStartTagEnd(pos, emptyElement))
        return Fail(kNoTagEnd);
    m_spans[self].startTagEnd = pos;
    if (emptyElement) {
        m_spans[self].endTagStart = pos - 1;
        m_spans[self].tagEnd = pos;
        return n;
    }

    m_spans[self].endTagStart = pos + 1;
    int32_t lastChild = 0;
    for (;;) {
        const int32_t child = ParseElement(n, depth + 1);
        if (child < 0)
            return -1;
        if (child == 0)
            break;
        if (lastChild)
            m_spans[static_cast<size_t>(lastChild)].nextSibling = child;
        else
            m_spans[self].firstChild = child;
        lastChild = child;
        m_spans[self].endTagStart = m_spans[static_cast<size_t>(child)].tagEnd + 1;
    }

    // The child met an end tag; the scan position holds its '<'.
    pos = m_spans[self].endTagStart;
    if (!text.FindChar(pos, '<'))
        return Fail(kNoEndTag, nameStart, nameLength);
    m_spans[self].endTagStart = pos;
    XmlTokenCursor cursor(text, pos + 1);
    int count = 0;
    while (cursor.Scan()) {
        ++count;
        if (count == 1) {
            if (!cursor.IsMark('/'))
                return Fail(kExpectingEndTag, nameStart, nameLength);
        } else if (count == 2) {
            // A quoted token does not name the element either.
            if (cursor.quoted ||
                !cursor.Matches(text.Data() + nameStart, static_cast<size_t>(nameLength)))
                return Fail(kWrongEndTag, nameStart, nameLength);
        } else if (cursor.IsMark('>')) {
            m_spans[self].tagEnd = cursor.tokenStart;
            return n;
        }
    }
    return Fail(kEndTagIncomplete, nameStart, nameLength);
}
