#include "tests/win32/extension/SlotCalls.h"

#include <objbase.h>

namespace {
template <class F> void* Entry(F function) {
    return reinterpret_cast<void*>(function);
}
} // namespace

CSlotPlayer::CSlotPlayer(LONG state) : m_state(state) {
    static void* table[22];
    table[0] = Entry(&CSlotPlayer::QueryInterface);
    table[1] = Entry(&CSlotPlayer::AddRef);
    table[2] = Entry(&CSlotPlayer::Release);
    for (int slot = 3; slot < 21; ++slot)
        table[slot] = Entry(&CSlotPlayer::WrongSlot);
    table[21] = Entry(&CSlotPlayer::State);
    m_table = table;
}

HRESULT STDMETHODCALLTYPE CSlotPlayer::QueryInterface(CSlotPlayer* self, REFIID riid,
                                                      void** object) {
    if (IsEqualIID(riid, IID_IUnknown)) {
        AddRef(self);
        *object = self;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CSlotPlayer::AddRef(CSlotPlayer* self) {
    return static_cast<ULONG>(++self->m_nRefs);
}

ULONG STDMETHODCALLTYPE CSlotPlayer::Release(CSlotPlayer* self) {
    if (--self->m_nRefs == 0)
        ++self->m_nFreed;
    return static_cast<ULONG>(self->m_nRefs);
}

HRESULT STDMETHODCALLTYPE CSlotPlayer::WrongSlot(CSlotPlayer* self, LONG*) {
    ++self->m_nWrongSlotCalls;
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CSlotPlayer::State(CSlotPlayer* self, LONG* state) {
    ++self->m_nStateReads;
    *state = self->m_state;
    return S_OK;
}
