#include "tests/win32/hostsim/FakeHostPlayer.h"

HRESULT STDMETHODCALLTYPE CFakeHostPlayer::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown)) {
        *object = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CFakeHostPlayer::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&m_nRefs));
}

ULONG STDMETHODCALLTYPE CFakeHostPlayer::Release() {
    return static_cast<ULONG>(InterlockedDecrement(&m_nRefs));
}

HRESULT STDMETHODCALLTYPE CFakeHostPlayer::GetPlayerState(LONG* state) {
    ++m_nStateReads;
    *state = m_state;
    return S_OK;
}
