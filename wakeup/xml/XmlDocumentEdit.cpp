// Editing in place: the text is changed and every span offset behind the
// change moves by the size difference, so that the index stays what a new
// parse of the edited text would give.
#include <cstring>
#include <string>

#include "wakeup/xml/XmlDocument.h"
#include "wakeup/xml/XmlEntities.h"
#include "wakeup/xml/XmlTokenCursor.h"

namespace {
const char kNewLine[] = "\r\n";
}

// A name must read back as exactly one plain token: not quoted, not a
// delimiter, and not ending inside a double-byte character (whose trail byte
// would then be the '=' or '>' written after it).
bool CXmlDocument::IsValidName(const char* name) const {
    if (!name || !*name)
        return false;
    const size_t length = std::strlen(name);
    if (length > static_cast<size_t>(kMaxTextLength))
        return false;
    const XmlText text(name, static_cast<int32_t>(length), m_lead);
    XmlTokenCursor cursor(text);
    if (!cursor.Scan() || cursor.quoted || cursor.tokenStart != 0 ||
        XmlTokenCursor::IsDelimiter(name[0]))
        return false;
    return cursor.next == text.Length() && !text.EndsInsideCharacter(0, text.Length());
}

// A value may hold anything but must not end inside a double-byte character:
// its trail byte would be the closing quote or the '<' of the end tag.
bool CXmlDocument::IsValidValue(const char* value) const {
    if (!value)
        return true;
    const size_t length = std::strlen(value);
    if (length > static_cast<size_t>(kMaxTextLength))
        return false;
    const XmlText text(value, static_cast<int32_t>(length), m_lead);
    return !text.EndsInsideCharacter(0, text.Length());
}

// Replaces `removed` bytes at pos by `inserted` and moves every offset at or
// behind the end of the replaced bytes: for an ancestor of the changed place
// that is its end tag only, for an element behind it all four offsets.
void CXmlDocument::Splice(int32_t pos, int32_t removed, const std::string& inserted) {
    m_strText.replace(static_cast<size_t>(pos), static_cast<size_t>(removed), inserted);
    const int32_t delta = static_cast<int32_t>(inserted.size()) - removed;
    const int32_t from = pos + removed;
    for (int32_t i = 1; i < m_nNextFree; ++i) {
        XmlElementSpan& e = m_spans[static_cast<size_t>(i)];
        for (int32_t* offset : {&e.tagStart, &e.startTagEnd, &e.endTagStart, &e.tagEnd}) {
            if (*offset >= from)
                *offset += delta;
        }
    }
}

bool CXmlDocument::SetAttribute(int32_t span, const char* name, const char* value) {
    if (!IsElement(span) || !IsValidName(name) || !IsValidValue(value))
        return false;
    const XmlElementSpan e = m_spans[static_cast<size_t>(span)];
    const XmlText text = Text();
    const size_t nameLength = std::strlen(name);

    std::string quotedValue = "\"";
    XmlEscape(
        XmlText(value ? value : "", value ? static_cast<int32_t>(std::strlen(value)) : 0, m_lead),
        true, quotedValue);
    quotedValue += '"';
    if (m_strText.size() + quotedValue.size() + nameLength + 2 >
        static_cast<size_t>(kMaxTextLength))
        return false;

    // Walk the start tag as the attribute lookup does. A quoted token that
    // runs past the '>' that ended the start tag at parse time cannot be
    // edited without moving that '>': refuse.
    XmlTokenCursor cursor(text, e.tagStart + 1);
    cursor.Scan(); // the tag name
    auto scan = [&]() {
        if (!cursor.Scan())
            return false;
        return !cursor.quoted || cursor.next - 1 < e.startTagEnd;
    };
    for (;;) {
        if (!scan())
            return false;
        if (cursor.quoted || cursor.IsMark('='))
            continue;
        const char first = cursor.First();
        if (first == '/' || first == '>' || first == '?') {
            // Not there: a new attribute goes before the end of the start tag.
            Splice(cursor.tokenStart, 0, " " + std::string(name, nameLength) + "=" + quotedValue);
            return true;
        }
        if (cursor.Matches(name, nameLength))
            break;
    }
    // The first token that matches the name is the one the lookup reads.
    const int32_t afterName = cursor.next;
    if (!scan())
        return false;
    if (!cursor.IsMark('=')) {
        // A bare name: give it a value.
        Splice(afterName, 0, "=" + quotedValue);
        return true;
    }
    if (!scan())
        return false;
    if (cursor.quoted) {
        std::string inner = quotedValue.substr(1, quotedValue.size() - 2);
        Splice(cursor.tokenStart, cursor.Length(), inner);
        return true;
    }
    const char first = cursor.First();
    if (first == '/' || first == '>' || first == '?' || first == '=') {
        // "name=" with no value yet.
        Splice(cursor.tokenStart, 0, quotedValue);
        return true;
    }
    // An unquoted value reads as absent: write it quoted.
    Splice(cursor.tokenStart, cursor.Length(), quotedValue);
    return true;
}

// Turns <x .../> into <x ...>, a line break and </x>. When the slash
// followed another one (<x //>), a blank takes its place: "/>" would still
// end the start tag as an empty element.
void CXmlDocument::OpenEmptyElement(int32_t span) {
    const XmlText text = Text();
    XmlTokenCursor cursor(text, m_spans[static_cast<size_t>(span)].tagStart + 1);
    cursor.Scan();
    const std::string name(cursor.Begin(), static_cast<size_t>(cursor.Length()));
    const int32_t slash = m_spans[static_cast<size_t>(span)].endTagStart;
    const std::string close = text.At(slash - 1) == '/' ? " >" : ">";
    Splice(slash, 2, close + kNewLine + "</" + name + ">");
    XmlElementSpan& e = m_spans[static_cast<size_t>(span)];
    e.startTagEnd = slash + static_cast<int32_t>(close.size()) - 1;
    e.endTagStart = e.startTagEnd + 3;
    e.tagEnd = e.endTagStart + 2 + static_cast<int32_t>(name.size());
}

// Links span into the children of container: before or after reference, or
// with no reference as the first (before) or last child.
void CXmlDocument::LinkChild(int32_t container, int32_t reference, bool before, int32_t span) {
    XmlElementSpan& c = m_spans[static_cast<size_t>(container)];
    XmlElementSpan& e = m_spans[static_cast<size_t>(span)];
    e.parent = container;
    e.firstChild = 0;
    if (reference && !before) {
        e.nextSibling = m_spans[static_cast<size_t>(reference)].nextSibling;
        m_spans[static_cast<size_t>(reference)].nextSibling = span;
        return;
    }
    const int32_t successor = reference ? reference : (before ? c.firstChild : 0);
    e.nextSibling = successor;
    if (c.firstChild == successor) {
        c.firstChild = span;
        return;
    }
    int32_t i = c.firstChild;
    while (m_spans[static_cast<size_t>(i)].nextSibling != successor)
        i = m_spans[static_cast<size_t>(i)].nextSibling;
    m_spans[static_cast<size_t>(i)].nextSibling = span;
}

// A document without a root gets the element at its end. The text in front
// may be anything a failed or empty parse left, so the result is checked by
// parsing it: if the new element is not then the root, nothing changes.
bool CXmlDocument::AppendRoot(const std::string& element) {
    const std::string before = m_strText;
    if (!Parse((before + element).c_str()) ||
        m_spans[static_cast<size_t>(m_spans[0].firstChild)].tagStart !=
            static_cast<int32_t>(before.size())) {
        Parse(before.c_str());
        return false;
    }
    m_nParent = 0;
    m_nCurrent = m_spans[0].firstChild;
    m_nChild = 0;
    m_nCurrentIsElement = 1;
    return true;
}

bool CXmlDocument::AppendElement(const char* name, const char* value, bool asChild,
                                 bool insertBefore) {
    if (!IsValidName(name) || !IsValidValue(value))
        return false;
    if (asChild && m_nCurrent == 0 && IsWellFormed())
        FindElement(nullptr); // as FindChildElement does: the root is the container
    int32_t container = asChild ? m_nCurrent : m_nParent;
    int32_t reference = asChild ? m_nChild : m_nCurrent;

    std::string element = "<";
    element += name;
    if (value && *value) {
        element += '>';
        XmlEscape(XmlText(value, static_cast<int32_t>(std::strlen(value)), m_lead), false, element);
        element += "</";
        element += name;
        element += '>';
    } else {
        element += "/>";
    }
    element += kNewLine;
    const size_t nameLength = std::strlen(name);
    if (m_strText.size() + element.size() + nameLength + 8 > static_cast<size_t>(kMaxTextLength))
        return false;

    if (container == 0) {
        // At the top level only while there is no root.
        if (IsWellFormed())
            return false;
        return AppendRoot(element);
    }

    XmlElementSpan& c = m_spans[static_cast<size_t>(container)];
    if (c.startTagEnd == c.endTagStart + 1)
        OpenEmptyElement(container);

    int32_t pos = 0;
    bool skipSpace = true;
    if (reference) {
        const XmlElementSpan& r = m_spans[static_cast<size_t>(reference)];
        pos = insertBefore ? r.tagStart : r.tagEnd + 1;
    } else if (insertBefore) {
        pos = m_spans[static_cast<size_t>(container)].startTagEnd + 1;
    } else {
        pos = m_spans[static_cast<size_t>(container)].endTagStart;
        skipSpace = false;
    }
    if (skipSpace) {
        // Keep the layout: whitespace up to the next tag stays in front.
        int32_t p = pos;
        const char* s = m_strText.c_str();
        while (XmlTokenCursor::IsSpace(s[p]))
            ++p;
        if (s[p] == '<' || s[p] == '\0')
            pos = p;
    }

    Splice(pos, 0, element);
    const int32_t span = TakeSpanSlot(m_spans, m_nNextFree);
    XmlElementSpan& e = m_spans[static_cast<size_t>(span)];
    e.tagStart = pos;
    if (value && *value) {
        e.startTagEnd = pos + 1 + static_cast<int32_t>(nameLength);
        e.endTagStart = static_cast<int32_t>(static_cast<size_t>(pos) + element.size()) - 2 - 3 -
                        static_cast<int32_t>(nameLength);
        e.tagEnd = e.endTagStart + 2 + static_cast<int32_t>(nameLength);
    } else {
        e.endTagStart = pos + 1 + static_cast<int32_t>(nameLength);
        e.startTagEnd = e.endTagStart + 1;
        e.tagEnd = e.startTagEnd;
    }
    LinkChild(container, reference, insertBefore, span);

    if (asChild) {
        m_nChild = span;
        m_nCurrent = container;
        m_nParent = m_spans[static_cast<size_t>(container)].parent;
    } else {
        m_nParent = container;
        m_nCurrent = span;
        m_nChild = 0;
    }
    m_nCurrentIsElement = 1;
    return true;
}
