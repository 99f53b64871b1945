#pragma once
// A function of a system library that only some users ever need (the
// network's counters, the file dialog), loaded on its first use rather than
// with the program: every library loaded costs memory for as long as the
// program runs. Loaded by its full path in the system folder, never from the
// program's own folder or the current one; kept for the life of the process.
#include <windows.h>

#include <cwchar>

inline HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length + 1 + std::wcslen(name) >= MAX_PATH)
        return nullptr;
    path[length] = L'\\';
    std::wcscpy(path + length + 1, name);
    return LoadLibraryW(path);
}

// Null when the library or the function is missing.
template <class Function> Function SystemFunction(const wchar_t* library, const char* name) {
    const HMODULE module = LoadSystemLibrary(library);
    return module ? reinterpret_cast<Function>(
                        reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}
