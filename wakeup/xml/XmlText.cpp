#include "wakeup/xml/XmlText.h"

#include <cstring>

#include "wakeup/platform/CodePage.h"

void XmlLeadByteMap::Load(const ICodePage& codePage) {
    anyLead = false;
    for (unsigned b = 0; b < 256; ++b) {
        lead[b] = b != 0 && codePage.IsLeadByte(static_cast<unsigned char>(b));
        anyLead = anyLead || lead[b];
    }
}

bool XmlText::FindChar(int32_t& p, char ch, int32_t limit) const {
    if (limit > m_length)
        limit = m_length;
    if (p >= limit) {
        p = limit;
        return false;
    }
    if (!IsMultiByte()) {
        const void* hit = std::memchr(m_text + p, ch, static_cast<size_t>(limit - p));
        if (!hit) {
            p = limit;
            return false;
        }
        p = static_cast<int32_t>(static_cast<const char*>(hit) - m_text);
        return true;
    }
    while (p < limit) {
        if (m_text[p] == ch)
            return true;
        p = Step(p);
    }
    p = limit;
    return false;
}

bool XmlText::FindString(int32_t& p, const char* s, int32_t n, int32_t limit) const {
    if (limit > m_length)
        limit = m_length;
    if (!IsMultiByte()) {
        while (p + n <= limit) {
            const void* hit = std::memchr(m_text + p, s[0], static_cast<size_t>(limit - n + 1 - p));
            if (!hit)
                break;
            p = static_cast<int32_t>(static_cast<const char*>(hit) - m_text);
            if (std::memcmp(m_text + p, s, static_cast<size_t>(n)) == 0)
                return true;
            ++p;
        }
        return false;
    }
    while (p + n <= limit) {
        if (m_text[p] == s[0] && std::memcmp(m_text + p, s, static_cast<size_t>(n)) == 0)
            return true;
        p = Step(p);
    }
    return false;
}

bool XmlText::EndsInsideCharacter(int32_t from, int32_t to) const {
    int32_t p = from;
    while (p < to) {
        if (IsLeadByte(m_text[p]) && p + 1 >= to)
            return true;
        p = Step(p);
    }
    return false;
}
