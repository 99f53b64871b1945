#pragma once
// The parse of a document text into its table of element spans. It is a free
// function of the text alone: the document keeps what it returns, and
// navigation and editing never call back into it.
#include <cstdint>
#include <string>
#include <vector>

#include "wakeup/xml/XmlElementSpan.h"
#include "wakeup/xml/XmlText.h"

// Deeper nesting fails to parse instead of exhausting the stack.
constexpr int kXmlMaxDepth = 256;

struct XmlParseResult {
    // Slot 0 stands for the document; its firstChild is the root, 0 when the
    // text did not parse. The table may hold more slots than are in use.
    std::vector<XmlElementSpan> spans;
    int32_t spanCount = 1; // slots in use, slot 0 included
    // Why the text did not parse; empty after a success, and for a text that
    // is empty or begins with an end tag.
    std::string error;
};

// Indexes the root element of text and everything inside it. It checks only
// that tags open and close and that each end tag names its element. The
// table of an earlier parse may be handed in to be filled again: a document
// reuses its table, which so never shrinks.
XmlParseResult ParseXml(const XmlText& text, std::vector<XmlElementSpan> table = {});
