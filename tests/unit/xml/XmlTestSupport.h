#pragma once
// Shared by the XML unit tests and the XML fuzz target.
#include <cstdint>
#include <string>

#include "wakeup/platform/CodePage.h"
#include "wakeup/xml/XmlDocument.h"

// A double-byte code page with the lead bytes of Shift-JIS: its trail bytes
// can equal '<', '>', a quote or a delimiter.
inline const CLeadByteTable& DoubleByteCodePage() {
    static const CLeadByteTable table = [] {
        CLeadByteTable t;
        t.AddLeadRange(0x81, 0x9F);
        t.AddLeadRange(0xE0, 0xFC);
        return t;
    }();
    return table;
}

inline const CLeadByteTable& SingleByteCodePage() {
    static const CLeadByteTable table;
    return table;
}

// The number of spans a parse of the text indexes in the code page, or -1
// when it does not parse.
inline int32_t SpanCountIn(const ICodePage& codePage, const char* text) {
    CXmlDocument doc(codePage);
    return doc.Parse(text) ? doc.GetSpanCount() : -1;
}

namespace xml_test_detail {
inline std::string Offsets(const XmlElementSpan& e) {
    return std::to_string(e.tagStart) + "," + std::to_string(e.startTagEnd) + "," +
           std::to_string(e.endTagStart) + "," + std::to_string(e.tagEnd);
}

inline std::string Compare(const CXmlDocument& a, int32_t ia, const CXmlDocument& b, int32_t ib,
                           int32_t& count) {
    const XmlElementSpan& x = a.GetSpan(ia);
    const XmlElementSpan& y = b.GetSpan(ib);
    if (ia != 0 && Offsets(x) != Offsets(y))
        return "element at " + Offsets(x) + " is at " + Offsets(y) + " after a new parse";
    int32_t ca = x.firstChild;
    int32_t cb = y.firstChild;
    while (ca || cb) {
        if (!ca || !cb)
            return "children of the element at " + Offsets(x) + " differ in number";
        if (a.GetSpan(ca).parent != ia)
            return "wrong parent link of the element at " + Offsets(a.GetSpan(ca));
        ++count;
        const std::string difference = Compare(a, ca, b, cb, count);
        if (!difference.empty())
            return difference;
        ca = a.GetSpan(ca).nextSibling;
        cb = b.GetSpan(cb).nextSibling;
    }
    return std::string();
}
} // namespace xml_test_detail

// The first difference between the element index of doc and that of a new
// parse of its text; empty when they agree. Every slot in use must be linked
// into the tree exactly once.
inline std::string CompareWithReparse(const CXmlDocument& doc, const ICodePage& codePage) {
    CXmlDocument fresh(codePage);
    if (fresh.Parse(doc.GetText().c_str()) != doc.IsWellFormed())
        return "a new parse disagrees on well-formedness: " + fresh.GetError();
    int32_t count = 0;
    const std::string difference = xml_test_detail::Compare(doc, 0, fresh, 0, count);
    if (!difference.empty())
        return difference;
    if (count != doc.GetSpanCount() - 1 || count != fresh.GetSpanCount() - 1)
        return "slots in use: " + std::to_string(doc.GetSpanCount() - 1) + ", linked " +
               std::to_string(count) + ", a new parse " + std::to_string(fresh.GetSpanCount() - 1);
    return std::string();
}
