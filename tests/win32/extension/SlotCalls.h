#pragma once
// The host's side of the slot layout, written out by slot number rather than
// through the module's interface declarations, so that a method in the wrong
// slot shows.
#include <windows.h>

// Calls slot n (counted from 0, QueryInterface being 0) of a component
// object, every argument 32 bits wide.
template <class... Args> HRESULT CallSlot(void* object, int slot, Args... args) {
    typedef HRESULT(STDMETHODCALLTYPE * Method)(void*, Args...);
    void** table = *static_cast<void***>(object);
    return reinterpret_cast<Method>(table[slot])(object, args...);
}

// A host player object built slot by slot: slot 21 answers the state, every
// other host slot counts a call that should not have come. It counts its
// references and how often they fell to zero (when a real one would be gone).
class CSlotPlayer {
public:
    explicit CSlotPlayer(LONG state);
    CSlotPlayer(const CSlotPlayer&) = delete;
    CSlotPlayer& operator=(const CSlotPlayer&) = delete;

    void* Object() { return this; }
    LONG References() const { return m_nRefs; }
    int TimesFreed() const { return m_nFreed; }
    int StateReads() const { return m_nStateReads; }
    int WrongSlotCalls() const { return m_nWrongSlotCalls; }

private:
    static HRESULT STDMETHODCALLTYPE QueryInterface(CSlotPlayer* self, REFIID riid, void** object);
    static ULONG STDMETHODCALLTYPE AddRef(CSlotPlayer* self);
    static ULONG STDMETHODCALLTYPE Release(CSlotPlayer* self);
    static HRESULT STDMETHODCALLTYPE WrongSlot(CSlotPlayer* self, LONG* state);
    static HRESULT STDMETHODCALLTYPE State(CSlotPlayer* self, LONG* state);

    // First, where a component object keeps its table.
    void* const* m_table;
    LONG m_state;
    LONG m_nRefs = 0;
    int m_nFreed = 0;
    int m_nStateReads = 0;
    int m_nWrongSlotCalls = 0;
};
