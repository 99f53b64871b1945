#pragma once
// The module's classes, in registration order, and their cached factories.
#include <windows.h>

#include "extension/ClassFactory.h"

struct ClassEntry {
    const CLSID* clsid;
    // The identifier as registered, written as the host's documents give it.
    const char* clsidText;
    const char* name;
    // Version-independent program identifier; ".1" is the versioned one.
    const char* progId;
    const GUID* category;
    CreateFunction create;
    // Created on the first request, released when the module unloads.
    CClassFactory* volatile factory;
};

ClassEntry* ClassEntries();
size_t ClassEntryCount();

// Hands out the class's factory for the interface; CLASS_E_CLASSNOTAVAILABLE
// for a class that is not ours.
HRESULT GetClassFactory(REFCLSID clsid, REFIID riid, void** object);
// Drops the module's references to the factories.
void TerminateClassTable();
