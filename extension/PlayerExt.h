#pragma once
#include "common/win32/Owners.h"
#include "extension/ExtensionObject.h"
#include "extension/HostInterfaces.h"

// The host's player extension: forwards player events and selection changes,
// and keeps one counted reference to the host's player object, whose state it
// reads after every event.
class PlayerExt : public ExtensionObject<IPlayerExtension> {
public:
    PlayerExt() = default;

    HRESULT STDMETHODCALLTYPE OnPlayerEvent(LONG eventCode) override;
    HRESULT STDMETHODCALLTYPE OnSelectionChanged(LONG selection) override;
    HRESULT STDMETHODCALLTYPE SetHostPlayer(IHostPlayer* player) override;

private:
    CComPtr<IHostPlayer> m_hostPlayer;
};
