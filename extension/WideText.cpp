#include "extension/WideText.h"

#include <string.h>
#include <wchar.h>

CWideText::~CWideText() {
    if (m_text)
        HeapFree(GetProcessHeap(), 0, m_text);
}

bool CWideText::Append(const wchar_t* text, size_t length) {
    // The sum cannot wrap: both lengths count characters in memory.
    if (!Reserve(m_length + length + 1))
        return false;
    memcpy(m_text + m_length, text, length * sizeof(wchar_t));
    SetLength(m_length + length);
    return true;
}

bool CWideText::Append(const wchar_t* text) {
    return Append(text, wcslen(text));
}

bool CWideText::Reserve(size_t capacity) {
    if (capacity <= m_capacity)
        return true;
    if (capacity > static_cast<size_t>(-1) / sizeof(wchar_t))
        return false;
    const HANDLE heap = GetProcessHeap();
    const size_t bytes = capacity * sizeof(wchar_t);
    // HeapReAlloc keeps the old block when it fails.
    void* grown = m_text ? HeapReAlloc(heap, 0, m_text, bytes) : HeapAlloc(heap, 0, bytes);
    if (!grown)
        return false;
    m_text = static_cast<wchar_t*>(grown);
    m_capacity = capacity;
    m_text[m_length] = L'\0';
    return true;
}

void CWideText::SetLength(size_t length) {
    m_length = length;
    m_text[length] = L'\0';
}
