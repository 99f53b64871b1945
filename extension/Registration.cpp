#include "extension/Registration.h"

#include <objbase.h>
#include <comcat.h>
#include <oleauto.h>

#include <algorithm>
#include <string>

#include "common/win32/Owners.h"
#include "extension/ClassTable.h"
#include "extension/Failure.h"

namespace {

// The longest path the system has, in characters with the terminator.
constexpr size_t kLongestPath = 32768;

// The module's own file, the one the class keys and the type library point
// to. The buffer grows until the whole path fits: a cut path would register
// a file that does not exist.
HRESULT ModulePath(HMODULE module, std::wstring& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(module, &buffer[0], static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return HRESULT_FROM_WIN32(GetLastError());
        // A path that did not fit fills the whole buffer.
        if (length < buffer.size()) {
            buffer.resize(length);
            path = std::move(buffer);
            return S_OK;
        }
        if (buffer.size() >= kLongestPath)
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        buffer.resize(std::min(buffer.size() * 2, kLongestPath));
    }
}

HRESULT CreateKey(HKEY parent, const std::wstring& subkey, CUniqueRegKey& key) {
    return FromWin32(RegCreateKeyExW(parent, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr));
}

bool KeyExists(HKEY parent, const std::wstring& subkey) {
    CUniqueRegKey key;
    return RegOpenKeyExW(parent, subkey.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

// The default value (name null) or a named value, as a string.
HRESULT SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return FromWin32(RegSetValueExW(key, name, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

HRESULT SetSubkeyDefault(HKEY parent, const std::wstring& subkey, const std::wstring& value) {
    CUniqueRegKey key;
    RETURN_IF_FAILED(CreateKey(parent, subkey, key));
    return SetString(key.Get(), nullptr, value);
}

// Removing what is not there is no failure: a first registration, or a
// second unregistration, finds nothing to remove.
HRESULT DeleteTree(HKEY parent, const std::wstring& subkey) {
    const LONG error = RegDeleteTreeW(parent, subkey.c_str());
    return error == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(error);
}

// Unregistration goes on past a failure, so that it removes everything it
// can; what it reports is the first failure.
void KeepFirstFailure(HRESULT& first, HRESULT step) {
    if (SUCCEEDED(first))
        first = step;
}

HRESULT WriteProgId(const std::wstring& progId, const std::wstring& description,
                    const std::wstring& clsidText) {
    CUniqueRegKey key;
    RETURN_IF_FAILED(CreateKey(HKEY_CLASSES_ROOT, progId, key));
    RETURN_IF_FAILED(SetString(key.Get(), nullptr, description));
    return SetSubkeyDefault(key.Get(), L"CLSID", clsidText);
}

HRESULT WriteClassKey(HKEY clsidRoot, const ClassEntry& entry, const std::wstring& description,
                      const std::wstring& modulePath) {
    // A key left from an earlier registration goes whole, so that nothing
    // stale survives under it.
    RETURN_IF_FAILED(DeleteTree(clsidRoot, entry.clsidText));
    CUniqueRegKey key;
    RETURN_IF_FAILED(CreateKey(clsidRoot, entry.clsidText, key));
    RETURN_IF_FAILED(SetString(key.Get(), nullptr, description));
    const std::wstring progId = entry.progId;
    RETURN_IF_FAILED(SetSubkeyDefault(key.Get(), L"ProgID", progId + L".1"));
    RETURN_IF_FAILED(SetSubkeyDefault(key.Get(), L"VersionIndependentProgID", progId));
    CUniqueRegKey server;
    RETURN_IF_FAILED(CreateKey(key.Get(), L"InprocServer32", server));
    RETURN_IF_FAILED(SetString(server.Get(), nullptr, modulePath));
    return SetString(server.Get(), L"ThreadingModel", L"both");
}

HRESULT RegisterClassEntry(HKEY clsidRoot, const ClassEntry& entry, const std::wstring& modulePath,
                           ICatRegister* categories) {
    const std::wstring description = std::wstring(entry.name) + L" Class";
    const std::wstring progId = entry.progId;
    RETURN_IF_FAILED(WriteProgId(progId + L".1", description, entry.clsidText));
    RETURN_IF_FAILED(WriteProgId(progId, description, entry.clsidText));
    RETURN_IF_FAILED(WriteClassKey(clsidRoot, entry, description, modulePath));
    return categories->RegisterClassImplCategories(*entry.clsid, 1,
                                                   const_cast<GUID*>(entry.category));
}

// clsidRoot is null when there is no CLSID key at all: then only the program
// identifiers can be left to remove.
HRESULT UnregisterClassEntry(HKEY clsidRoot, const ClassEntry& entry, ICatRegister* categories) {
    HRESULT first = S_OK;
    // The category manager is asked only about a class that is registered.
    if (clsidRoot && KeyExists(clsidRoot, entry.clsidText))
        KeepFirstFailure(first, categories->UnRegisterClassImplCategories(
                                    *entry.clsid, 1, const_cast<GUID*>(entry.category)));
    const std::wstring progId = entry.progId;
    KeepFirstFailure(first, DeleteTree(HKEY_CLASSES_ROOT, progId + L".1"));
    KeepFirstFailure(first, DeleteTree(HKEY_CLASSES_ROOT, progId));
    if (clsidRoot)
        KeepFirstFailure(first, DeleteTree(clsidRoot, entry.clsidText));
    return first;
}

// The module's own file holds the type library as its TYPELIB resource 1.
HRESULT RegisterOwnTypeLib(const std::wstring& modulePath) {
    CComPtr<ITypeLib> lib;
    RETURN_IF_FAILED(LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, lib.Put()));
    std::wstring path = modulePath;
    std::wstring helpDir = path.substr(0, path.find_last_of(L'\\'));
    return RegisterTypeLib(lib.Get(), &path[0], &helpDir[0]);
}

// Registered versions live under TypeLib\{library id}\<major>.<minor>, the
// numbers in hexadecimal.
bool TypeLibRegistered(const TLIBATTR& attr) {
    wchar_t guid[40] = {};
    if (!StringFromGUID2(attr.guid, guid, 40))
        return false;
    wchar_t subkey[96] = {};
    wsprintfW(subkey, L"TypeLib\\%s\\%x.%x", guid, attr.wMajorVerNum, attr.wMinorVerNum);
    return KeyExists(HKEY_CLASSES_ROOT, subkey);
}

HRESULT UnregisterOwnTypeLib(HMODULE module) {
    std::wstring modulePath;
    RETURN_IF_FAILED(ModulePath(module, modulePath));
    CComPtr<ITypeLib> lib;
    RETURN_IF_FAILED(LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, lib.Put()));
    TLIBATTR* attr = nullptr;
    RETURN_IF_FAILED(lib->GetLibAttr(&attr));
    CScopeExit releaseAttr([&] { lib->ReleaseTLibAttr(attr); });
    // A type library that is not registered is already where unregistration
    // wants it; the platform would call that a failure.
    if (!TypeLibRegistered(*attr))
        return S_OK;
    return UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                             attr->syskind);
}

// Runs work with the category manager. That is a component itself: COM must
// be up on this thread, whoever called us and whatever apartment they chose,
// and it stays up until the manager is released.
template <class Work> HRESULT WithCategoryManager(Work work) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The caller's apartment of the other model serves as well.
    if (FAILED(com) && com != RPC_E_CHANGED_MODE)
        return com;
    CScopeExit leaveCom([com] {
        if (SUCCEEDED(com))
            CoUninitialize();
    });
    CComPtr<ICatRegister> categories;
    RETURN_IF_FAILED(CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr,
                                      CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                      categories.PutVoid()));
    return work(categories.Get());
}

} // namespace

HRESULT RegisterServer(HMODULE module) {
    std::wstring modulePath;
    RETURN_IF_FAILED(ModulePath(module, modulePath));
    return WithCategoryManager([&](ICatRegister* categories) -> HRESULT {
        // The CLSID key itself is shared by every component of the system:
        // it is opened (or made), never removed.
        CUniqueRegKey clsidRoot;
        RETURN_IF_FAILED(CreateKey(HKEY_CLASSES_ROOT, L"CLSID", clsidRoot));
        for (size_t i = 0; i < ClassEntryCount(); ++i)
            RETURN_IF_FAILED(
                RegisterClassEntry(clsidRoot.Get(), ClassEntries()[i], modulePath, categories));
        return RegisterOwnTypeLib(modulePath);
    });
}

HRESULT UnregisterServer(HMODULE module) {
    return WithCategoryManager([&](ICatRegister* categories) -> HRESULT {
        CUniqueRegKey clsidRoot;
        const LONG opened =
            RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ | KEY_WRITE, clsidRoot.Put());
        if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND)
            return FromWin32(opened);
        HRESULT first = S_OK;
        for (size_t i = 0; i < ClassEntryCount(); ++i)
            KeepFirstFailure(first,
                             UnregisterClassEntry(clsidRoot.Get(), ClassEntries()[i], categories));
        KeepFirstFailure(first, UnregisterOwnTypeLib(module));
        return first;
    });
}
