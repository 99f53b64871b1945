// Parses arbitrary bytes, walks every element, attribute and text found, and
// edits what it found; aborts when the index disagrees with the text or with
// a new parse of the edited text. The first byte picks the code page.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/unit/xml/XmlTestSupport.h"
#include "wakeup/xml/XmlTokenCursor.h"

namespace {

// Says which check failed before stopping the run.
#define Check(condition)                                                                           \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "fuzz_xml.cpp:%d: %s\n", __LINE__, #condition);                   \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Every indexed span points at the markup it describes.
void CheckSpans(const CXmlDocument& doc) {
    const std::string& s = doc.GetText();
    const int32_t n = static_cast<int32_t>(s.size());
    for (int32_t i = 1; i < doc.GetSpanCount(); ++i) {
        const XmlElementSpan& e = doc.GetSpan(i);
        Check(0 <= e.tagStart && e.tagStart < e.startTagEnd && e.startTagEnd < n);
        Check(e.endTagStart < e.tagEnd && e.tagEnd < n && e.startTagEnd <= e.tagEnd);
        Check(s[static_cast<size_t>(e.tagStart)] == '<');
        Check(s[static_cast<size_t>(e.startTagEnd)] == '>');
        Check(s[static_cast<size_t>(e.tagEnd)] == '>');
        const bool empty = e.startTagEnd == e.endTagStart + 1;
        Check(s[static_cast<size_t>(e.endTagStart)] == (empty ? '/' : '<'));
    }
}

// The index of an edited document is what a new parse of its text gives.
void CheckAsReparsed(const CXmlDocument& doc, const ICodePage& page) {
    const std::string difference = CompareWithReparse(doc, page);
    if (!difference.empty())
        std::fprintf(stderr, "%s in:\n%s\n", difference.c_str(), doc.GetText().c_str());
    Check(difference.empty());
    CheckSpans(doc);
}

// The unquoted tokens of a start tag after its name: every attribute name it
// could have.
std::vector<std::string> NameTokens(const CXmlDocument& doc, const ICodePage& page, int32_t span) {
    XmlLeadByteMap lead;
    lead.Load(page);
    const XmlText text(doc.GetText().c_str(), static_cast<int32_t>(doc.GetText().size()), lead);
    XmlTokenCursor cursor(text, doc.GetSpan(span).tagStart + 1);
    std::vector<std::string> names;
    cursor.Scan();
    while (names.size() < 16 && cursor.Scan() && cursor.tokenStart < doc.GetSpan(span).startTagEnd)
        if (!cursor.quoted)
            names.emplace_back(cursor.Begin(), static_cast<size_t>(cursor.Length()));
    return names;
}

void Walk(CXmlDocument& doc, const ICodePage& page) {
    while (doc.FindChildElement(nullptr)) {
        const int32_t child = doc.GetChildIndex();
        for (const std::string& name : NameTokens(doc, page, child))
            doc.GetChildAttribute(name.c_str());
        doc.GetElementText(child);
        Check(doc.EnterElement());
        Check(!doc.GetTagName().empty());
        Walk(doc, page);
        Check(doc.LeaveElement());
        Check(doc.GetChildIndex() == child);
    }
}

// Makes the k-th child of the root (or the root) the current child; its slot.
int32_t SelectChild(CXmlDocument& doc, size_t k) {
    doc.ResetPosition();
    int32_t selected = 0;
    for (size_t i = 0; i <= k && doc.FindChildElement(nullptr); ++i)
        selected = doc.GetChildIndex();
    doc.ResetPosition();
    if (!selected)
        return 0;
    while (doc.FindChildElement(nullptr) && doc.GetChildIndex() != selected) {
    }
    return selected;
}

void Edit(CXmlDocument& doc, const ICodePage& page, const std::string& value, unsigned choice) {
    const int32_t target = SelectChild(doc, choice % 4);
    if (target) {
        std::vector<std::string> names = NameTokens(doc, page, target);
        names.push_back("a");
        const std::string& name = names[choice % names.size()];
        if (doc.SetAttribute(target, name.c_str(), value.c_str())) {
            CheckAsReparsed(doc, page);
            Check(SelectChild(doc, choice % 4) == target);
            Check(doc.GetChildAttribute(name.c_str()) == value);
        }
    }
    SelectChild(doc, choice % 3);
    if (choice & 8)
        doc.EnterElement();
    if (doc.AppendElement("n", value.c_str(), (choice & 16) != 0, (choice & 32) != 0)) {
        CheckAsReparsed(doc, page);
        // A new root is the current element even in child mode.
        const int32_t added =
            (choice & 16) && doc.GetChildIndex() ? doc.GetChildIndex() : doc.GetCurrentIndex();
        Check(doc.GetElementText(added) == value);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const ICodePage& page = (data[0] & 1) ? DoubleByteCodePage() : SingleByteCodePage();
    const unsigned choice = data[1];
    const std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::string text = bytes.c_str(); // Parse reads up to the first zero byte

    CXmlDocument doc(page);
    const bool ok = doc.Parse(text.c_str());
    Check(ok == doc.IsWellFormed());
    Check(ok || doc.GetSpanCount() == 1);
    Check(doc.GetText() == text);
    CheckSpans(doc);
    Check(CompareWithReparse(doc, page).empty());
    Walk(doc, page);

    // A value from the input: whatever follows the first zero byte, if any.
    const size_t zero = bytes.find('\0');
    const std::string value =
        zero == std::string::npos ? "v<&>'\"" : bytes.substr(zero + 1).c_str();
    Edit(doc, page, value.substr(0, 64), choice);
    Edit(doc, page, "", choice >> 1);
    return 0;
}
