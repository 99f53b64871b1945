#include "extension/Registration.h"

#include <objbase.h>
#include <comcat.h>
#include <oleauto.h>

#include <wchar.h>

#include "common/win32/Owners.h"
#include "extension/ClassTable.h"
#include "extension/Failure.h"
#include "extension/WideText.h"

namespace {

// The longest path the system has, in characters with the terminator.
constexpr size_t kLongestPath = 32768;

// The module's own file, the one the class keys and the type library point
// to. The buffer grows until the whole path fits: a cut path would register
// a file that does not exist.
HRESULT ModulePath(HMODULE module, CWideText& path) {
    size_t capacity = MAX_PATH;
    for (;;) {
        if (!path.Reserve(capacity))
            return E_OUTOFMEMORY;
        const DWORD length =
            GetModuleFileNameW(module, path.Buffer(), static_cast<DWORD>(capacity));
        if (length == 0)
            return HRESULT_FROM_WIN32(GetLastError());
        // A path that did not fit fills the whole buffer.
        if (length < capacity) {
            path.SetLength(length);
            return S_OK;
        }
        if (capacity >= kLongestPath)
            return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        capacity = capacity * 2 < kLongestPath ? capacity * 2 : kLongestPath;
    }
}

// The two texts one after the other.
HRESULT Join(const wchar_t* first, const wchar_t* second, CWideText& text) {
    return text.Append(first) && text.Append(second) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CreateKey(HKEY parent, const wchar_t* subkey, CUniqueRegKey& key) {
    return FromWin32(RegCreateKeyExW(parent, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE, nullptr, key.Put(), nullptr));
}

bool KeyExists(HKEY parent, const wchar_t* subkey) {
    CUniqueRegKey key;
    return RegOpenKeyExW(parent, subkey, 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

// The default value (name null) or a named value, as a string.
HRESULT SetString(HKEY key, const wchar_t* name, const wchar_t* value) {
    return FromWin32(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                                    static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t))));
}

HRESULT SetSubkeyDefault(HKEY parent, const wchar_t* subkey, const wchar_t* value) {
    CUniqueRegKey key;
    RETURN_IF_FAILED(CreateKey(parent, subkey, key));
    return SetString(key.Get(), nullptr, value);
}

// Removing what is not there is no failure: a first registration, or a
// second unregistration, finds nothing to remove.
HRESULT DeleteTree(HKEY parent, const wchar_t* subkey) {
    const LONG error = RegDeleteTreeW(parent, subkey);
    return error == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(error);
}

// Unregistration goes on past a failure, so that it removes everything it
// can; what it reports is the first failure.
void KeepFirstFailure(HRESULT& first, HRESULT step) {
    if (SUCCEEDED(first))
        first = step;
}

HRESULT WriteProgId(const wchar_t* progId, const wchar_t* description, const wchar_t* clsidText) {
    CUniqueRegKey key;
    RETURN_IF_FAILED(CreateKey(HKEY_CLASSES_ROOT, progId, key));
    RETURN_IF_FAILED(SetString(key.Get(), nullptr, description));
    return SetSubkeyDefault(key.Get(), L"CLSID", clsidText);
}

HRESULT WriteClassKey(HKEY clsidRoot, const ClassEntry& entry, const wchar_t* description,
                      const wchar_t* versionedProgId, const wchar_t* modulePath) {
    // A key left from an earlier registration goes whole, so that nothing
    // stale survives under it.
    RETURN_IF_FAILED(DeleteTree(clsidRoot, entry.clsidText));
    CUniqueRegKey key;
    RETURN_IF_FAILED(CreateKey(clsidRoot, entry.clsidText, key));
    RETURN_IF_FAILED(SetString(key.Get(), nullptr, description));
    RETURN_IF_FAILED(SetSubkeyDefault(key.Get(), L"ProgID", versionedProgId));
    RETURN_IF_FAILED(SetSubkeyDefault(key.Get(), L"VersionIndependentProgID", entry.progId));
    CUniqueRegKey server;
    RETURN_IF_FAILED(CreateKey(key.Get(), L"InprocServer32", server));
    RETURN_IF_FAILED(SetString(server.Get(), nullptr, modulePath));
    return SetString(server.Get(), L"ThreadingModel", L"both");
}

HRESULT RegisterClassEntry(HKEY clsidRoot, const ClassEntry& entry, const wchar_t* modulePath,
                           ICatRegister* categories) {
    CWideText description;
    RETURN_IF_FAILED(Join(entry.name, L" Class", description));
    CWideText versionedProgId;
    RETURN_IF_FAILED(Join(entry.progId, L".1", versionedProgId));
    RETURN_IF_FAILED(WriteProgId(versionedProgId.Get(), description.Get(), entry.clsidText));
    RETURN_IF_FAILED(WriteProgId(entry.progId, description.Get(), entry.clsidText));
    RETURN_IF_FAILED(
        WriteClassKey(clsidRoot, entry, description.Get(), versionedProgId.Get(), modulePath));
    return categories->RegisterClassImplCategories(*entry.clsid, 1,
                                                   const_cast<GUID*>(entry.category));
}

// clsidRoot is null when there is no CLSID key at all: then only the program
// identifiers can be left to remove.
HRESULT UnregisterClassEntry(HKEY clsidRoot, const ClassEntry& entry, ICatRegister* categories) {
    CWideText versionedProgId;
    RETURN_IF_FAILED(Join(entry.progId, L".1", versionedProgId));
    HRESULT first = S_OK;
    // The category manager is asked only about a class that is registered.
    if (clsidRoot && KeyExists(clsidRoot, entry.clsidText))
        KeepFirstFailure(first, categories->UnRegisterClassImplCategories(
                                    *entry.clsid, 1, const_cast<GUID*>(entry.category)));
    KeepFirstFailure(first, DeleteTree(HKEY_CLASSES_ROOT, versionedProgId.Get()));
    KeepFirstFailure(first, DeleteTree(HKEY_CLASSES_ROOT, entry.progId));
    if (clsidRoot)
        KeepFirstFailure(first, DeleteTree(clsidRoot, entry.clsidText));
    return first;
}

// The module's own file holds the type library as its TYPELIB resource 1.
HRESULT RegisterOwnTypeLib(const CWideText& modulePath) {
    CComPtr<ITypeLib> lib;
    RETURN_IF_FAILED(LoadTypeLibEx(modulePath.Get(), REGKIND_NONE, lib.Put()));
    // The help folder is the module's folder, or the whole path where it
    // names none.
    const wchar_t* const separator = wcsrchr(modulePath.Get(), L'\\');
    const size_t folderLength =
        separator ? static_cast<size_t>(separator - modulePath.Get()) : modulePath.Length();
    // RegisterTypeLib takes its texts as writable: it gets copies.
    CWideText path;
    CWideText helpDir;
    if (!path.Append(modulePath.Get(), modulePath.Length()) ||
        !helpDir.Append(modulePath.Get(), folderLength))
        return E_OUTOFMEMORY;
    return RegisterTypeLib(lib.Get(), path.Buffer(), helpDir.Buffer());
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
    CWideText modulePath;
    RETURN_IF_FAILED(ModulePath(module, modulePath));
    CComPtr<ITypeLib> lib;
    RETURN_IF_FAILED(LoadTypeLibEx(modulePath.Get(), REGKIND_NONE, lib.Put()));
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
    CWideText modulePath;
    RETURN_IF_FAILED(ModulePath(module, modulePath));
    return WithCategoryManager([&](ICatRegister* categories) -> HRESULT {
        // The CLSID key itself is shared by every component of the system:
        // it is opened (or made), never removed.
        CUniqueRegKey clsidRoot;
        RETURN_IF_FAILED(CreateKey(HKEY_CLASSES_ROOT, L"CLSID", clsidRoot));
        for (size_t i = 0; i < ClassEntryCount(); ++i)
            RETURN_IF_FAILED(RegisterClassEntry(clsidRoot.Get(), ClassEntries()[i],
                                                modulePath.Get(), categories));
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
