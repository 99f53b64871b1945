#pragma once
// The module's classes, in registration order, and their cached factories.
#include <windows.h>

#include "extension/ClassFactory.h"

struct ClassEntry {
    const CLSID* clsid;
    // The identifier as registered, written as the host's documents give it.
    // Wide, as registration writes every key and value.
    const wchar_t* clsidText;
    const wchar_t* name;
    // Version-independent program identifier; ".1" is the versioned one.
    const wchar_t* progId;
    const GUID* category;
    CreateFunction create;
    // Created on the first request, released when the module unloads. Held
    // as a plain pointer because host threads swap it in and out with
    // interlocked operations; every change of hands goes through an owner.
    CClassFactory* volatile factory;
};

const ClassEntry* ClassEntries();
size_t ClassEntryCount();

// Hands out the class's factory for the interface; CLASS_E_CLASSNOTAVAILABLE
// for a class that is not ours; E_OUTOFMEMORY when a factory cannot be
// made.
HRESULT GetClassFactory(REFCLSID clsid, REFIID riid, void** object);
// Drops the module's references to the factories.
void TerminateClassTable();
