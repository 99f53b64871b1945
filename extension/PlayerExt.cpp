#include "extension/PlayerExt.h"

#include "extension/HostRecord.h"
#include "extension/WakeupWindow.h"

HRESULT STDMETHODCALLTYPE PlayerExt::OnPlayerEvent(LONG eventCode) {
    // One lookup for both messages, so that they reach the same window.
    const HWND window = FindWakeupWindow();
    SendWakeupMessage(window, WAKEUP_MSG_PLAYER_EVENT, eventCode);
    // Counted once its message has reached the scheduler: a scheduler that
    // reads the record meanwhile, having heard nothing of this host yet,
    // would otherwise take the event on from the record and count its
    // message again.
    NoteHostEvent(eventCode);
    // The host hands its player over before it reports events; should one
    // come first there is no state to read, and none is reported rather than
    // a made-up one (the scheduler ignores the state message anyway).
    if (m_hostPlayer) {
        // Starts at 0 so that a player that fails without writing its out
        // parameter does not make us send stack garbage.
        LONG state = 0;
        m_hostPlayer->GetPlayerState(&state);
        SendWakeupMessage(window, WAKEUP_MSG_PLAYER_STATE, state);
    }
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PlayerExt::OnSelectionChanged(LONG selection) {
    SendWakeupMessage(FindWakeupWindow(), WAKEUP_MSG_SELECTION_CHANGED, selection);
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PlayerExt::SetHostPlayer(IHostPlayer* player) {
    // Reset takes the new reference before it drops the old one, so handing
    // over the object we already hold does not destroy it on the way.
    m_hostPlayer.Reset(player);
    return S_OK;
}
