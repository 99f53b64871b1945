// One recursive pass over the text: each element takes the next slot of the
// table, and its content is scanned for children until its end tag.
#include "wakeup/xml/XmlParse.h"

#include <cstring>
#include <string>
#include <utility>

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
static_assert(kXmlMaxDepth == 256, "kTooDeep names the limit");

class SpanParser {
public:
    SpanParser(const XmlText& text, XmlParseResult& result) : m_text(text), m_result(result) {}

    int32_t ParseElement(int32_t parent, int depth);

private:
    int32_t Fail(const char* message);
    int32_t Fail(const char* pattern, int32_t nameStart, int32_t nameLength);
    bool SkipNode(int32_t& p, int32_t markOffset) const;
    bool FindStartTagEnd(int32_t& p, bool& emptyElement) const;

    const XmlText& m_text;
    XmlParseResult& m_result;
};

int32_t SpanParser::Fail(const char* message) {
    m_result.error = message;
    --m_result.spanCount;
    return -1;
}

int32_t SpanParser::Fail(const char* pattern, int32_t nameStart, int32_t nameLength) {
    const char* mark = std::strstr(pattern, "%s");
    m_result.error.assign(pattern, static_cast<size_t>(mark - pattern));
    m_result.error.append(m_text.Data() + nameStart, static_cast<size_t>(nameLength));
    m_result.error.append(mark + 2);
    --m_result.spanCount;
    return -1;
}

// Finds the '>' that ends a start tag, from p (just after the tag name); it
// does not respect quotes. emptyElement tells whether the character before it
// is '/': a trail byte equal to '/' is not.
bool SpanParser::FindStartTagEnd(int32_t& p, bool& emptyElement) const {
    if (!m_text.IsMultiByte()) {
        const int32_t from = p;
        if (!m_text.FindChar(p, '>'))
            return false;
        emptyElement = p > from && m_text.At(p - 1) == '/';
        return true;
    }
    int32_t previous = -1;
    const int32_t end = m_text.Length();
    while (p < end) {
        if (m_text.At(p) == '>') {
            emptyElement = previous == p - 1 && m_text.At(previous) == '/';
            return true;
        }
        previous = p;
        p = m_text.Step(p);
    }
    return false;
}

// Skips the processing instruction, comment, CDATA section or declaration
// that starts with the '<' at p; markOffset is the offset of its '?' or '!'.
// On success p is just after the node.
bool SpanParser::SkipNode(int32_t& p, int32_t markOffset) const {
    const int32_t end = m_text.Length();
    if (markOffset + 1 >= end)
        return false;
    int32_t at = p;
    if (m_text.At(markOffset) == '?') {
        if (!m_text.FindString(at, "?>", 2, end))
            return false;
        p = at + 2;
        return true;
    }
    const char kind = m_text.At(markOffset + 1);
    if (kind == '[' || kind == '-') {
        if (!m_text.FindString(at, kind == '[' ? "]]>" : "-->", 3, end))
            return false;
        p = at + 3;
        return true;
    }
    // A declaration: its closing '>' is the first one outside [ ] brackets.
    XmlTokenCursor cursor(m_text, p);
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
int32_t SpanParser::ParseElement(int32_t parent, int depth) {
    const int32_t n = TakeSpanSlot(m_result.spans, m_result.spanCount);
    {
        XmlElementSpan& e = m_result.spans[static_cast<size_t>(n)];
        e.parent = parent;
        e.firstChild = 0;
        e.nextSibling = 0;
    }
    const size_t p = static_cast<size_t>(parent);
    const size_t self = static_cast<size_t>(n);
    int32_t pos = m_result.spans[p].endTagStart;
    int32_t nameStart = 0;
    int32_t nameLength = 0;
    while (nameLength == 0) {
        if (!m_text.FindChar(pos, '<'))
            return Fail(kTagNotFound);
        m_result.spans[self].tagStart = pos;
        m_result.spans[p].endTagStart = pos;
        XmlTokenCursor cursor(m_text, pos + 1);
        if (!cursor.Scan())
            return Fail(kAbruptEnd);
        if (cursor.quoted)
            return Fail(kQuotedTag);
        const char first = cursor.First();
        if (first == '?' || first == '!') {
            if (!SkipNode(pos, cursor.tokenStart))
                return Fail(kInvalidNode);
            m_result.spans[p].endTagStart = pos;
            continue;
        }
        if (first == '/') {
            --m_result.spanCount; // the end tag belongs to the parent
            return 0;
        }
        nameStart = cursor.tokenStart;
        nameLength = cursor.Length();
        pos = cursor.next;
    }
    // A hostile or broken file must not exhaust the stack.
    if (depth > kXmlMaxDepth)
        return Fail(kTooDeep, nameStart, nameLength);

    bool emptyElement = false;
    if (!FindStartTagEnd(pos, emptyElement))
        return Fail(kNoTagEnd);
    m_result.spans[self].startTagEnd = pos;
    if (emptyElement) {
        m_result.spans[self].endTagStart = pos - 1;
        m_result.spans[self].tagEnd = pos;
        return n;
    }

    m_result.spans[self].endTagStart = pos + 1;
    int32_t lastChild = 0;
    for (;;) {
        const int32_t child = ParseElement(n, depth + 1);
        if (child < 0)
            return -1;
        if (child == 0)
            break;
        if (lastChild)
            m_result.spans[static_cast<size_t>(lastChild)].nextSibling = child;
        else
            m_result.spans[self].firstChild = child;
        lastChild = child;
        m_result.spans[self].endTagStart = m_result.spans[static_cast<size_t>(child)].tagEnd + 1;
    }

    // The child met an end tag; the scan position holds its '<'.
    pos = m_result.spans[self].endTagStart;
    if (!m_text.FindChar(pos, '<'))
        return Fail(kNoEndTag, nameStart, nameLength);
    m_result.spans[self].endTagStart = pos;
    XmlTokenCursor cursor(m_text, pos + 1);
    int count = 0;
    while (cursor.Scan()) {
        ++count;
        if (count == 1) {
            if (!cursor.IsMark('/'))
                return Fail(kExpectingEndTag, nameStart, nameLength);
        } else if (count == 2) {
            // A quoted token does not name the element either.
            if (cursor.quoted ||
                !cursor.Matches(m_text.Data() + nameStart, static_cast<size_t>(nameLength)))
                return Fail(kWrongEndTag, nameStart, nameLength);
        } else if (cursor.IsMark('>')) {
            m_result.spans[self].tagEnd = cursor.tokenStart;
            return n;
        }
    }
    return Fail(kEndTagIncomplete, nameStart, nameLength);
}

} // namespace

XmlParseResult ParseXml(const XmlText& text, std::vector<XmlElementSpan> table) {
    XmlParseResult result;
    result.spans = std::move(table);
    const size_t slots = static_cast<size_t>(text.Length()) / 64 + 8;
    if (result.spans.size() < slots)
        result.spans.resize(slots, XmlElementSpan{}); // new slots zero-filled
    // Slot 0 is cleared for an empty text too: a root left over from an
    // earlier parse would point past the end of the new text.
    result.spans[0] = XmlElementSpan{};
    if (text.Length() == 0)
        return result;
    const int32_t root = SpanParser(text, result).ParseElement(0, 1);
    if (root >= 1) {
        result.spans[0].firstChild = root;
    } else {
        result.spans[0] = XmlElementSpan{};
        result.spanCount = 1;
    }
    return result;
}
