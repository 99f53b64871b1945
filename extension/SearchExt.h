#pragma once
#include "extension/ExtensionObject.h"
#include "extension/HostInterfaces.h"

// The host's search page extension: it has nothing to tell the scheduler.
class SearchExt : public ExtensionObject<ISearchExtension> {
public:
    SearchExt() = default;
    HRESULT STDMETHODCALLTYPE OnSearch(LONG value) override;
};
