#include "wakeup/platform/CodePage.h"

#include <atomic>

void CLeadByteTable::AddLeadRange(unsigned char first, unsigned char last) {
    for (unsigned b = first; b <= last; ++b)
        m_lead[b] = true;
}

std::u16string CLeadByteTable::ToUtf16(const std::string& text) const {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (m_lead[byte] && i + 1 < text.size()) {
            const auto trail = static_cast<unsigned char>(text[++i]);
            out += static_cast<char16_t>(byte << 8 | trail);
        } else {
            out += static_cast<char16_t>(byte);
        }
    }
    return out;
}

std::string CLeadByteTable::FromUtf16(const char16_t* text, size_t count) const {
    std::string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i)
        out.push_back(text[i] <= 0xFF ? static_cast<char>(text[i]) : '?');
    return out;
}

namespace {
const CLeadByteTable kSingleByte;
std::atomic<const ICodePage*> g_active{nullptr};
} // namespace

const ICodePage& ActiveCodePage() {
    const ICodePage* cp = g_active.load();
    return cp ? *cp : kSingleByte;
}

void SetActiveCodePage(const ICodePage* codePage) {
    g_active.store(codePage);
}
