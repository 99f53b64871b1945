#include "extension/SearchExt.h"

HRESULT STDMETHODCALLTYPE SearchExt::OnSearch(LONG) {
    return E_NOTIMPL;
}
