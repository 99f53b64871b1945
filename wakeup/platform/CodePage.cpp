#include "wakeup/platform/CodePage.h"

#include <atomic>

void CLeadByteTable::AddLeadRange(unsigned char first, unsigned char last) {
    for (unsigned b = first; b <= last; ++b)
        m_lead[b] = true;
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
