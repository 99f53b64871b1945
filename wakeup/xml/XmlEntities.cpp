#include "wakeup/xml/XmlEntities.h"

#include <cstring>

namespace {
struct Entity {
    const char* name; // without the '&'
    int32_t length;
    char ch;
};
// Tried in this order.
constexpr Entity kEntities[] = {
    {"lt;", 3, '<'}, {"amp;", 4, '&'}, {"gt;", 3, '>'}, {"apos;", 5, '\''}, {"quot;", 5, '"'},
};
} // namespace

void XmlDecodeEntities(const XmlText& text, int32_t a, int32_t b, std::string& out) {
    const char* s = text.Data();
    const int32_t end = b + 1;
    int32_t p = a;
    while (p < end) {
        // Copy up to the next '&' in one piece.
        int32_t amp = p;
        text.FindChar(amp, '&', end); // amp = end when there is none
        out.append(s + p, static_cast<size_t>(amp - p));
        p = amp;
        if (p >= end)
            break;
        bool decoded = false;
        for (const Entity& e : kEntities) {
            if (p + e.length <= b &&
                std::memcmp(s + p + 1, e.name, static_cast<size_t>(e.length)) == 0) {
                out.push_back(e.ch);
                p += 1 + e.length;
                decoded = true;
                break;
            }
        }
        if (!decoded) {
            out.push_back('&');
            ++p;
        }
    }
}

void XmlEscape(const XmlText& value, bool attribute, std::string& out) {
    const char* s = value.Data();
    int32_t p = 0;
    while (p < value.Length()) {
        const int32_t q = value.Step(p);
        if (q == p + 1) {
            switch (s[p]) {
            case '<':
                out += "&lt;";
                p = q;
                continue;
            case '&':
                out += "&amp;";
                p = q;
                continue;
            case '>':
                out += "&gt;";
                p = q;
                continue;
            case '\'':
                if (attribute) {
                    out += "&apos;";
                    p = q;
                    continue;
                }
                break;
            case '"':
                if (attribute) {
                    out += "&quot;";
                    p = q;
                    continue;
                }
                break;
            default:
                break;
            }
        }
        out.append(s + p, static_cast<size_t>(q - p));
        p = q;
    }
}
