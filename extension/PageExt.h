#pragma once
#include "extension/ExtensionObject.h"
#include "extension/HostInterfaces.h"

// The host's page extension: any page action counts as on-screen activity.
class PageExt : public ExtensionObject<IPageExtension> {
public:
    PageExt() = default;
    HRESULT STDMETHODCALLTYPE OnPageAction(LONG first, LONG second) override;
};
