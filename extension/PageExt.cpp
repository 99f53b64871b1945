#include "extension/PageExt.h"

#include "extension/WakeupWindow.h"

HRESULT STDMETHODCALLTYPE PageExt::OnPageAction(LONG, LONG) {
    SendWakeupMessage(FindWakeupWindow(), WAKEUP_MSG_OSD_ACTION, 1);
    return E_NOTIMPL;
}
