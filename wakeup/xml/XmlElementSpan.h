#pragma once
#include <cstdint>

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
