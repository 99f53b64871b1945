#include "extension/ClassTable.h"

#include "common/win32/Owners.h"
#include "extension/PageExt.h"
#include "extension/PlayerExt.h"
#include "extension/SearchExt.h"
#include "extension/SkinControlExt.h"

namespace {
const CLSID kClsidSearchExt = {
    0x1F43C372, 0x3FE5, 0x4968, {0xB8, 0x26, 0x92, 0xC0, 0x1A, 0x61, 0xB5, 0xD8}};
const CLSID kClsidPageExt = {
    0x9ACD644A, 0x78D7, 0x46D8, {0x80, 0x1C, 0xBB, 0x51, 0xD3, 0x08, 0x3C, 0xA0}};
const CLSID kClsidSkinControlExt = {
    0x8E46AC9F, 0x73B2, 0x406B, {0x9A, 0x37, 0xEE, 0xAF, 0x25, 0x2A, 0x5C, 0x65}};
const CLSID kClsidPlayerExt = {
    0x0327C1D6, 0xB521, 0x413C, {0xBA, 0xC8, 0x0C, 0x88, 0x73, 0xBB, 0x65, 0x79}};

const GUID kCatidSearch = {
    0xA179A82D, 0x980A, 0x41EB, {0x8E, 0x08, 0x10, 0xF2, 0x6E, 0x4A, 0xA0, 0x10}};
const GUID kCatidPage = {
    0x59B02BE9, 0xD9A5, 0x4669, {0x91, 0xBD, 0x6E, 0x65, 0x1B, 0x5B, 0x4E, 0x08}};
const GUID kCatidSkinControl = {
    0x74AAB73C, 0x4AA8, 0x4BCA, {0xB6, 0xDD, 0x93, 0x39, 0xAE, 0x1D, 0x4E, 0xFF}};
const GUID kCatidPlayer = {
    0x497C4468, 0x91ED, 0x4662, {0xB3, 0x02, 0x72, 0xD8, 0x8A, 0xDB, 0x97, 0xCF}};

ClassEntry g_classes[] = {
    {&kClsidSearchExt, L"{1F43C372-3FE5-4968-B826-92C01A61B5D8}", L"SearchExt",
     L"OrvisaExt.SearchExt", &kCatidSearch, CreateExtensionObject<SearchExt>, nullptr},
    {&kClsidPageExt, L"{9ACD644A-78D7-46d8-801C-BB51D3083CA0}", L"PageExt", L"OrvisaExt.PageExt",
     &kCatidPage, CreateExtensionObject<PageExt>, nullptr},
    {&kClsidSkinControlExt, L"{8E46AC9F-73B2-406b-9A37-EEAF252A5C65}", L"SkinControlExt",
     L"OrvisaExt.SkinControlExt", &kCatidSkinControl, CreateExtensionObject<SkinControlExt>,
     nullptr},
    {&kClsidPlayerExt, L"{0327C1D6-B521-413c-BAC8-0C8873BB6579}", L"PlayerExt",
     L"OrvisaExt.PlayerExt", &kCatidPlayer, CreateExtensionObject<PlayerExt>, nullptr},
};

CClassFactory* CachedFactory(ClassEntry& entry) {
    return static_cast<CClassFactory*>(InterlockedCompareExchangePointer(
        reinterpret_cast<void* volatile*>(&entry.factory), nullptr, nullptr));
}
} // namespace

const ClassEntry* ClassEntries() {
    return g_classes;
}

size_t ClassEntryCount() {
    return sizeof g_classes / sizeof g_classes[0];
}

HRESULT GetClassFactory(REFCLSID clsid, REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (ClassEntry& entry : g_classes) {
        if (!IsEqualCLSID(clsid, *entry.clsid))
            continue;
        CClassFactory* factory = CachedFactory(entry);
        if (!factory) {
            // Two host threads may ask for the first factory at once: only
            // one of the new factories is kept, the other goes again with
            // its owner.
            CComPtr<CClassFactory> made;
            made.Attach(new (kModuleHeap) CClassFactory(entry.create));
            if (!made)
                return E_OUTOFMEMORY;
            void* previous = InterlockedCompareExchangePointer(
                reinterpret_cast<void* volatile*>(&entry.factory), made.Get(), nullptr);
            factory = previous ? static_cast<CClassFactory*>(previous) : made.Detach();
        }
        return factory->QueryInterface(riid, object);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

void TerminateClassTable() {
    for (ClassEntry& entry : g_classes) {
        CComPtr<CClassFactory> factory;
        factory.Attach(static_cast<CClassFactory*>(InterlockedExchangePointer(
            reinterpret_cast<void* volatile*>(&entry.factory), nullptr)));
    }
}
