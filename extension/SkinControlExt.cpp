#include "extension/SkinControlExt.h"

#include "extension/WakeupWindow.h"

HRESULT STDMETHODCALLTYPE SkinControlExt::OnSkinControlAction(LONG, LONG) {
    SendWakeupMessage(FindWakeupWindow(), WAKEUP_MSG_OSD_ACTION, 0);
    return E_NOTIMPL;
}
