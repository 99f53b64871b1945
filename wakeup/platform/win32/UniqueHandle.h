#pragma once
// Owner of one kernel handle: closed when the owner goes. Both null and
// INVALID_HANDLE_VALUE mean "none" (the system uses either, by function).
#include <windows.h>

class CUniqueHandle {
public:
    CUniqueHandle() = default;
    explicit CUniqueHandle(HANDLE handle) : m_handle(handle) {}
    ~CUniqueHandle() { Close(); }
    CUniqueHandle(const CUniqueHandle&) = delete;
    CUniqueHandle& operator=(const CUniqueHandle&) = delete;
    CUniqueHandle(CUniqueHandle&& other) noexcept : m_handle(other.Detach()) {}
    CUniqueHandle& operator=(CUniqueHandle&& other) noexcept {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }

    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle && m_handle != INVALID_HANDLE_VALUE; }
    explicit operator bool() const { return Valid(); }
    HANDLE Detach() {
        HANDLE handle = m_handle;
        m_handle = nullptr;
        return handle;
    }
    void Reset(HANDLE handle = nullptr) {
        Close();
        m_handle = handle;
    }
    // The result of CloseHandle; TRUE when there was nothing to close.
    BOOL Close() {
        BOOL result = TRUE;
        if (Valid())
            result = CloseHandle(m_handle);
        m_handle = nullptr;
        return result;
    }

private:
    HANDLE m_handle = nullptr;
};
