#pragma once
// Functions looked up at run time: those of a Windows version the program
// need not have, and those of a system library that only some users ever
// need (the network's counters, the file dialog), loaded on its first use
// rather than with the program, since every library loaded costs memory for
// as long as the program runs.
#include <windows.h>

#include <cwchar>

// Through the generic function type, which any function pointer may be cast
// to and from; null when the module or the function is missing.
template <class Function> Function ProcAddress(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(
                        reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}

// A system library by its full path in the system folder, never from the
// program's own folder or the current one.
inline HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + std::wcslen(name) >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    std::wcscpy(path + length + 1, name);
    return LoadLibraryW(path);
}

// Loaded on first use and kept for the life of the process; null when the
// library or the function is missing.
template <class Function> Function SystemFunction(const wchar_t* library, const char* name) {
    return ProcAddress<Function>(LoadSystemLibrary(library), name);
}

// A system library loaded for the calls of one moment and let go after
// them: the shell's, whose few calls (the log's folder, the icon in the
// notification area, a command as an administrator) come a few times a day
// at most, but which would otherwise keep its code and its icon cache in
// memory for as long as the program runs. Only for calls that leave nothing
// of the library behind once they return.
class CBorrowedLibrary {
public:
    explicit CBorrowedLibrary(const wchar_t* name) : m_module(LoadSystemLibrary(name)) {}
    ~CBorrowedLibrary() {
        if (m_module)
            FreeLibrary(m_module);
    }
    CBorrowedLibrary(const CBorrowedLibrary&) = delete;
    CBorrowedLibrary& operator=(const CBorrowedLibrary&) = delete;

    // Null when the library or the function is missing.
    template <class Function> Function Get(const char* name) const {
        return ProcAddress<Function>(m_module, name);
    }

private:
    HMODULE m_module;
};
