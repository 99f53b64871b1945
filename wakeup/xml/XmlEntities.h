#pragma once
#include <cstdint>
#include <string>

#include "wakeup/xml/XmlText.h"

// Appends the text from a to b (inclusive) with the five predefined entities
// decoded in one pass; any other '&' is copied as it is.
void XmlDecodeEntities(const XmlText& text, int32_t a, int32_t b, std::string& out);

// Appends value with '<', '&' and '>' escaped, and in an attribute value also
// both quotes. Steps over whole characters: a trail byte is never escaped.
void XmlEscape(const XmlText& value, bool attribute, std::string& out);
