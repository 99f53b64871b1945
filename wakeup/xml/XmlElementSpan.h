#pragma once
#include <cstdint>
#include <vector>

// Where one element lies in the document text, and how it is linked to the
// others. Offsets are byte offsets into the text; index 0 in a link means
// none (slot 0 of the table stands for the document itself).
struct XmlElementSpan {
    int32_t tagStart;    // the '<' that opens the start tag
    int32_t startTagEnd; // the '>' that closes the start tag
    int32_t endTagStart; // the '<' of the end tag, or the '/' of "/>"; the
                         // scan position inside the content while parsing
    int32_t tagEnd;      // the '>' that closes the end tag (= startTagEnd for "/>")
    int32_t parent;
    int32_t firstChild;
    int32_t nextSibling;
};

// Takes the next free slot of a span table (used counts the slots in use,
// slot 0 included). A full table grows by half, so that a parse and the
// edits after it grow a table alike; new slots are zero-filled.
inline int32_t TakeSpanSlot(std::vector<XmlElementSpan>& spans, int32_t& used) {
    const size_t size = spans.size();
    if (static_cast<size_t>(used) >= size)
        spans.resize(size + size / 2, XmlElementSpan{});
    return used++;
}
