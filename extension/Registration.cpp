#include "extension/Registration.h"

#include <objbase.h>
#include <comcat.h>
#include <oleauto.h>

#include <string>

#include "extension/ClassTable.h"
#include "extension/ComRef.h"
#include "extension/RegKey.h"

namespace {

HRESULT FromWin32(LONG error) {
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

// Removing what is not there is no failure: a first registration, or a
// second unregistration, finds nothing to remove.
HRESULT DeleteTree(HKEY parent, const char* subkey) {
    const LONG error = RegDeleteTreeA(parent, subkey);
    return error == ERROR_FILE_NOT_FOUND ? S_OK : FromWin32(error);
}

HRESULT SetSubkeyDefault(HKEY parent, const char* subkey, const char* value) {
    CRegKey key;
    LONG error = key.Create(parent, subkey);
    if (error == ERROR_SUCCESS)
        error = key.SetString(nullptr, value);
    return FromWin32(error);
}

HRESULT WriteProgId(const std::string& progId, const std::string& description,
                    const char* clsidText) {
    CRegKey key;
    LONG error = key.Create(HKEY_CLASSES_ROOT, progId.c_str());
    if (error == ERROR_SUCCESS)
        error = key.SetString(nullptr, description.c_str());
    if (error != ERROR_SUCCESS)
        return FromWin32(error);
    return SetSubkeyDefault(key.Get(), "CLSID", clsidText);
}

HRESULT WriteClassKey(HKEY clsidRoot, const ClassEntry& entry, const std::string& description,
                      const std::string& modulePath) {
    // A key left from an earlier registration goes whole, so that nothing
    // stale survives under it.
    HRESULT hr = DeleteTree(clsidRoot, entry.clsidText);
    if (FAILED(hr))
        return hr;
    CRegKey key;
    LONG error = key.Create(clsidRoot, entry.clsidText);
    if (error == ERROR_SUCCESS)
        error = key.SetString(nullptr, description.c_str());
    if (error != ERROR_SUCCESS)
        return FromWin32(error);
    const std::string progId = entry.progId;
    hr = SetSubkeyDefault(key.Get(), "ProgID", (progId + ".1").c_str());
    if (SUCCEEDED(hr))
        hr = SetSubkeyDefault(key.Get(), "VersionIndependentProgID", entry.progId);
    if (FAILED(hr))
        return hr;
    CRegKey server;
    error = server.Create(key.Get(), "InprocServer32");
    if (error == ERROR_SUCCESS)
        error = server.SetString(nullptr, modulePath.c_str());
    if (error == ERROR_SUCCESS)
        error = server.SetString("ThreadingModel", "both");
    return FromWin32(error);
}

HRESULT RegisterClassEntry(HKEY clsidRoot, const ClassEntry& entry, const std::string& modulePath,
                           ICatRegister* categories) {
    const std::string description = std::string(entry.name) + " Class";
    const std::string progId = entry.progId;
    HRESULT hr = WriteProgId(progId + ".1", description, entry.clsidText);
    if (SUCCEEDED(hr))
        hr = WriteProgId(progId, description, entry.clsidText);
    if (SUCCEEDED(hr))
        hr = WriteClassKey(clsidRoot, entry, description, modulePath);
    if (SUCCEEDED(hr))
        hr = categories->RegisterClassImplCategories(*entry.clsid, 1,
                                                     const_cast<GUID*>(entry.category));
    return hr;
}

// clsidRoot is null when there is no CLSID key at all: then only the program
// identifiers can be left to remove.
HRESULT UnregisterClassEntry(HKEY clsidRoot, const ClassEntry& entry, ICatRegister* categories) {
    HRESULT hr = S_OK;
    CRegKey classKey;
    // The category manager is asked only about a class that is registered.
    if (clsidRoot && classKey.Open(clsidRoot, entry.clsidText, KEY_READ) == ERROR_SUCCESS) {
        classKey.Close();
        hr = categories->UnRegisterClassImplCategories(*entry.clsid, 1,
                                                       const_cast<GUID*>(entry.category));
    }
    const std::string progId = entry.progId;
    const HRESULT versioned = DeleteTree(HKEY_CLASSES_ROOT, (progId + ".1").c_str());
    const HRESULT independent = DeleteTree(HKEY_CLASSES_ROOT, entry.progId);
    const HRESULT classTree = clsidRoot ? DeleteTree(clsidRoot, entry.clsidText) : S_OK;
    // Everything that can go goes; the first failure is reported.
    for (HRESULT step : {versioned, independent, classTree})
        if (SUCCEEDED(hr))
            hr = step;
    return hr;
}

// The category manager is a component itself: COM must be up on this thread,
// whoever called us and whatever apartment they chose.
class CComInit {
public:
    CComInit() : m_hr(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComInit() {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CComInit(const CComInit&) = delete;
    CComInit& operator=(const CComInit&) = delete;

private:
    HRESULT m_hr;
};

HRESULT ModulePathA(HMODULE module, std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return length == 0 ? HRESULT_FROM_WIN32(GetLastError())
                           : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path.assign(buffer, length);
    return S_OK;
}

HRESULT LoadOwnTypeLib(HMODULE module, std::wstring& path, ITypeLib** lib) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return length == 0 ? HRESULT_FROM_WIN32(GetLastError())
                           : HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path.assign(buffer, length);
    // The module's own file: its TYPELIB resource 1.
    return LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib);
}

HRESULT RegisterOwnTypeLib(HMODULE module) {
    std::wstring path;
    CComRef<ITypeLib> lib;
    HRESULT hr = LoadOwnTypeLib(module, path, lib.Out());
    if (FAILED(hr))
        return hr;
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
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, subkey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

HRESULT UnregisterOwnTypeLib(HMODULE module) {
    std::wstring path;
    CComRef<ITypeLib> lib;
    HRESULT hr = LoadOwnTypeLib(module, path, lib.Out());
    if (FAILED(hr))
        return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr))
        return hr;
    // A type library that is not registered is already where unregistration
    // wants it; the platform would call that a failure.
    if (TypeLibRegistered(*attr))
        hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                               attr->syskind);
    lib->ReleaseTLibAttr(attr);
    return hr;
}

HRESULT OpenCategoryManager(CComRef<ICatRegister>& categories) {
    return CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                            IID_ICatRegister, categories.OutVoid());
}

} // namespace

HRESULT RegisterServer(HMODULE module) {
    CComInit com;
    std::string modulePath;
    HRESULT hr = ModulePathA(module, modulePath);
    if (FAILED(hr))
        return hr;
    CComRef<ICatRegister> categories;
    hr = OpenCategoryManager(categories);
    if (FAILED(hr))
        return hr;
    // The CLSID key itself is shared by every component of the system: it is
    // opened (or made), never removed.
    CRegKey clsidRoot;
    hr = FromWin32(clsidRoot.Create(HKEY_CLASSES_ROOT, "CLSID"));
    if (FAILED(hr))
        return hr;
    for (size_t i = 0; i < ClassEntryCount(); ++i) {
        hr = RegisterClassEntry(clsidRoot.Get(), ClassEntries()[i], modulePath, categories.Get());
        if (FAILED(hr))
            return hr;
    }
    return RegisterOwnTypeLib(module);
}

HRESULT UnregisterServer(HMODULE module) {
    CComInit com;
    CComRef<ICatRegister> categories;
    HRESULT hr = OpenCategoryManager(categories);
    if (FAILED(hr))
        return hr;
    CRegKey clsidRoot;
    const LONG opened = clsidRoot.Open(HKEY_CLASSES_ROOT, "CLSID", KEY_READ | KEY_WRITE);
    if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND)
        return FromWin32(opened);
    for (size_t i = 0; i < ClassEntryCount(); ++i) {
        const HRESULT step =
            UnregisterClassEntry(clsidRoot.Get(), ClassEntries()[i], categories.Get());
        if (SUCCEEDED(hr))
            hr = step;
    }
    const HRESULT typeLib = UnregisterOwnTypeLib(module);
    return SUCCEEDED(hr) ? typeLib : hr;
}
