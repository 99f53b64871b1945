#pragma once
// A host player object as the host hands it to the player extension: it
// counts its references and answers slot 21 with a state the test chooses.
// It lives on the test's stack, so its count is watched, not acted on.
#include "extension/HostInterfaces.h"

class CFakeHostPlayer : public IHostPlayer {
public:
    explicit CFakeHostPlayer(LONG state = 0) : m_state(state) {}
    CFakeHostPlayer(const CFakeHostPlayer&) = delete;
    CFakeHostPlayer& operator=(const CFakeHostPlayer&) = delete;

    // References held by others than the one who made it.
    LONG References() const { return m_nRefs; }
    int StateReads() const { return m_nStateReads; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE HostSlot3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot6() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot8() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot11() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot12() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot13() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot14() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot15() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot16() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot17() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot18() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot19() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostSlot20() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPlayerState(LONG* state) override;

private:
    LONG m_state;
    LONG m_nRefs = 0;
    int m_nStateReads = 0;
};
