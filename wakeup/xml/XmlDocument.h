#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "wakeup/xml/XmlElementSpan.h"
#include "wakeup/xml/XmlParse.h"
#include "wakeup/xml/XmlText.h"

class ICodePage;

// A small XML reader: the document text in one piece and a table of element
// spans into it, with a (parent, current, child) cursor for navigation.
// Attributes and text are read by re-scanning the start tag or content of an
// element when asked. The text is in the ANSI code page, and scanning steps
// over whole characters of it.
class CXmlDocument {
public:
    static constexpr int kMaxDepth = kXmlMaxDepth;
    // Offsets are 32-bit; a longer text fails to parse.
    static constexpr int32_t kMaxTextLength = 0x7FFF0000;

    // Uses the process's active code page, looked up at each Parse.
    CXmlDocument();
    explicit CXmlDocument(const ICodePage& codePage);
    virtual ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    // Replaces the text (null reads as empty) and takes the index ParseXml
    // makes of it; true when a root element was indexed. The cursor is at the
    // top level after.
    bool Parse(const char* text);
    bool IsWellFormed() const;
    // The message of the last parse error; Parse clears it first.
    std::string GetError() const { return m_strError; }

    // Navigation. A name that is null or empty matches any element.
    void ResetPosition();
    bool FindElement(const char* name);
    bool FindChildElement(const char* name);
    bool EnterElement();
    bool LeaveElement();

    // Reading. Empty strings where there is nothing to read.
    std::string GetTagName() const;
    std::string GetChildAttribute(const char* name) const;
    std::string GetElementText() const { return GetElementText(m_nCurrent); }
    std::string GetElementText(int32_t span) const;

    // Editing, in place: every span behind the change is moved along with it.
    bool SetAttribute(int32_t span, const char* name, const char* value);
    bool AppendElement(const char* name, const char* value, bool asChild, bool insertBefore);

    // Inspection of the index.
    const std::string& GetText() const { return m_strText; }
    int32_t GetSpanCount() const { return m_nNextFree; } // slot 0 included
    int32_t GetTableSize() const { return static_cast<int32_t>(m_spans.size()); }
    const XmlElementSpan& GetSpan(int32_t index) const;
    int32_t GetCurrentIndex() const { return m_nCurrent; }
    int32_t GetChildIndex() const { return m_nChild; }

private:
    XmlText Text() const;
    bool IsElement(int32_t span) const { return span >= 1 && span < m_nNextFree; }

    int32_t FindNext(int32_t parent, int32_t after, const char* name) const;
    std::string AttributeOf(int32_t span, const char* name) const;

    bool IsValidName(const char* name) const;
    bool IsValidValue(const char* value) const;
    void Splice(int32_t pos, int32_t removed, const std::string& inserted);
    void OpenEmptyElement(int32_t span);
    bool AppendRoot(const std::string& element);
    void LinkChild(int32_t container, int32_t reference, bool before, int32_t span);

    std::string m_strText;
    std::string m_strError;
    std::vector<XmlElementSpan> m_spans;
    int32_t m_nParent = 0;
    int32_t m_nCurrent = 0;
    int32_t m_nChild = 0;
    int32_t m_nNextFree = 1;
    int32_t m_nCurrentIsElement = 0;

    const ICodePage* m_pCodePage; // null: the active code page
    XmlLeadByteMap m_lead;
};
