#pragma once
// The host's extension interfaces, as far as this module uses them. The host
// defines them; only their identifiers and the layout of the slots after the
// base interface matter here, every argument 32 bits wide. The names are ours.
#include <windows.h>
#include <unknwn.h>

// Called by the host's search page (slot 3).
MIDL_INTERFACE("AB6266D7-9891-463D-BDC2-2DE4F0307A85")
ISearchExtension : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnSearch(LONG value) = 0;
};
__CRT_UUID_DECL(ISearchExtension, 0xAB6266D7, 0x9891, 0x463D, 0xBD, 0xC2, 0x2D, 0xE4, 0xF0, 0x30,
                0x7A, 0x85)

// Called by the host's pages (slot 3).
MIDL_INTERFACE("57CA97F6-7244-48A3-84D3-40630C915736")
IPageExtension : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnPageAction(LONG first, LONG second) = 0;
};
__CRT_UUID_DECL(IPageExtension, 0x57CA97F6, 0x7244, 0x48A3, 0x84, 0xD3, 0x40, 0x63, 0x0C, 0x91,
                0x57, 0x36)

// Called by the host's skin controls (slot 3).
MIDL_INTERFACE("704BEC2B-F9A6-419C-B56A-4DCFDADE5611")
ISkinControlExtension : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnSkinControlAction(LONG first, LONG second) = 0;
};
__CRT_UUID_DECL(ISkinControlExtension, 0x704BEC2B, 0xF9A6, 0x419C, 0xB5, 0x6A, 0x4D, 0xCF, 0xDA,
                0xDE, 0x56, 0x11)

// The host's player object. Only slot 21 is called by this module; slots 3 to
// 20 are the host's and are declared so that the slot numbers come out right.
struct IHostPlayer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE HostSlot3() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot4() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot5() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot6() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot7() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot8() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot9() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot10() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot11() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot12() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot13() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot14() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot15() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot16() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot17() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot18() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot19() = 0;
    virtual HRESULT STDMETHODCALLTYPE HostSlot20() = 0;
    // Slot 21: the player's state, read after every player event.
    virtual HRESULT STDMETHODCALLTYPE GetPlayerState(LONG* state) = 0;
};

// Called by the host's player (slots 3, 4, 5).
MIDL_INTERFACE("4DDC141E-14F6-453E-A6BB-3736C0FD9B37")
IPlayerExtension : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE OnPlayerEvent(LONG eventCode) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnSelectionChanged(LONG selection) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHostPlayer(IHostPlayer * player) = 0;
};
__CRT_UUID_DECL(IPlayerExtension, 0x4DDC141E, 0x14F6, 0x453E, 0xA6, 0xBB, 0x37, 0x36, 0xC0, 0xFD,
                0x9B, 0x37)
