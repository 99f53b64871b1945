#pragma once
// A wide text on the process heap, for the keys and values that registration
// writes: the module has no C++ library, and a module's path may be longer
// than MAX_PATH. Whatever needs memory says whether it got it; on false the
// text is as it was.
#include <windows.h>

#include <stddef.h>

class CWideText {
public:
    CWideText() = default;
    ~CWideText();
    CWideText(const CWideText&) = delete;
    CWideText& operator=(const CWideText&) = delete;

    // Terminated; "" while nothing was added.
    const wchar_t* Get() const { return m_text ? m_text : L""; }
    size_t Length() const { return m_length; }

    bool Append(const wchar_t* text, size_t length);
    bool Append(const wchar_t* text);

    // For a function that writes the text itself: room for at least
    // `capacity` characters, the terminator among them, at Buffer().
    bool Reserve(size_t capacity);
    wchar_t* Buffer() { return m_text; }
    // The text is the first `length` characters written there; less than
    // the capacity reserved.
    void SetLength(size_t length);

private:
    wchar_t* m_text = nullptr;
    size_t m_length = 0;
    // In characters, the terminator among them.
    size_t m_capacity = 0;
};
