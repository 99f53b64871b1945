#pragma once
#include "extension/ExtensionObject.h"
#include "extension/HostInterfaces.h"

// The host's skin control extension: any control action counts as on-screen
// activity.
class SkinControlExt : public ExtensionObject<ISkinControlExtension> {
public:
    SkinControlExt() = default;
    HRESULT STDMETHODCALLTYPE OnSkinControlAction(LONG first, LONG second) override;
};
