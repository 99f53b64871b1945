#pragma once
#include <windows.h>

// Owns one kernel handle and closes it when it goes.
class CUniqueHandle {
public:
    CUniqueHandle() = default;
    explicit CUniqueHandle(HANDLE handle) : m_handle(handle) {}
    ~CUniqueHandle() { Reset(); }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void Reset(HANDLE handle = nullptr) {
        if (Valid())
            CloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HANDLE m_handle = nullptr;
};
