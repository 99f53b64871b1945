#include "extension/PlayerExt.h"

#include "extension/WakeupWindow.h"

PlayerExt::~PlayerExt() {
    if (m_pHostPlayer)
        m_pHostPlayer->Release();
}

HRESULT STDMETHODCALLTYPE PlayerExt::OnPlayerEvent(LONG eventCode) {
    // One lookup for both messages, so that they reach the same window.
    const HWND window = FindWakeupWindow();
    SendWakeupMessage(window, WAKEUP_MSG_PLAYER_EVENT, eventCode);
    // The host hands its player over before it reports events; should one
    // come first there is no state to read, and none is reported rather than
    // a made-up one (the scheduler ignores the state message anyway).
    if (m_pHostPlayer) {
        // Starts at 0 so that a player that fails without writing its out
        // parameter does not make us send stack garbage.
        LONG state = 0;
        m_pHostPlayer->GetPlayerState(&state);
        SendWakeupMessage(window, WAKEUP_MSG_PLAYER_STATE, state);
    }
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PlayerExt::OnSelectionChanged(LONG selection) {
    SendWakeupMessage(FindWakeupWindow(), WAKEUP_MSG_SELECTION_CHANGED, selection);
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PlayerExt::SetHostPlayer(IHostPlayer* player) {
    // The new reference is taken before the old one is dropped: when the host
    // hands over the object we already hold, releasing first could destroy it.
    if (player)
        player->AddRef();
    IHostPlayer* previous = m_pHostPlayer;
    m_pHostPlayer = player;
    if (previous)
        previous->Release();
    return S_OK;
}
