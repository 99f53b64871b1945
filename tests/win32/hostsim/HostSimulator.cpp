// hostsim.exe: plays the host application towards the extension module. It
// creates one extension class through COM by its program identifier, as the
// host does, and calls one of its methods:
//
//   hostsim player-event <code> [<state>]  PlayerExt: hands over a host player
//                                          whose slot 21 answers <state>
//                                          (default 0), then reports event <code>
//   hostsim player-event <code> none       the same without handing a player over
//   hostsim selection <number>             PlayerExt: selection changed
//   hostsim osd page|skin                  PageExt or SkinControlExt: on-screen action
//   hostsim search <value>                 SearchExt
//   hostsim hold                           PlayerExt: created and kept, so that
//                                          the module stays loaded as in a
//                                          running host, until its hidden
//                                          window "hostsim hold" is closed
//
// It prints what it called and what came back. The exit code is the result
// of the event method (E_NOTIMPL is what the module answers), or the failure
// that stopped it: E_INVALIDARG for a bad command line, the creation's status,
// or E_UNEXPECTED when the extension kept a reference to the host player.
#include <windows.h>
#include <objbase.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/win32/Owners.h"
#include "extension/HostInterfaces.h"
#include "tests/win32/hostsim/FakeHostPlayer.h"

namespace {

bool ParseLong(const char* text, LONG& value) {
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0')
        return false;
    value = parsed;
    return true;
}

HRESULT Report(const char* call, HRESULT hr) {
    std::printf("%s: 0x%08lX\n", call, static_cast<unsigned long>(hr));
    std::fflush(stdout);
    return hr;
}

template <class T> HRESULT Create(const wchar_t* progId, CComPtr<T>& object) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(T), object.PutVoid());
    if (FAILED(hr))
        std::printf("creating %ls: 0x%08lX\n", progId, static_cast<unsigned long>(hr));
    return hr;
}

HRESULT PlayerEvent(LONG code, bool withPlayer, LONG state) {
    CFakeHostPlayer player(state);
    CComPtr<IPlayerExtension> extension;
    HRESULT hr = Create(L"OrvisaExt.PlayerExt", extension);
    if (FAILED(hr))
        return hr;
    if (withPlayer)
        hr = Report("PlayerExt slot 5", extension->SetHostPlayer(&player));
    if (SUCCEEDED(hr))
        hr = Report("PlayerExt slot 3", extension->OnPlayerEvent(code));
    extension.Reset(); // the host lets go of the extension before it looks
    if (player.References() != 0) {
        std::printf("the host player is still referenced %ld times\n", player.References());
        return E_UNEXPECTED;
    }
    return hr;
}

HRESULT Selection(LONG number) {
    CComPtr<IPlayerExtension> extension;
    HRESULT hr = Create(L"OrvisaExt.PlayerExt", extension);
    if (FAILED(hr))
        return hr;
    return Report("PlayerExt slot 4", extension->OnSelectionChanged(number));
}

HRESULT OsdAction(const char* where) {
    if (std::strcmp(where, "page") == 0) {
        CComPtr<IPageExtension> extension;
        HRESULT hr = Create(L"OrvisaExt.PageExt", extension);
        if (FAILED(hr))
            return hr;
        return Report("PageExt slot 3", extension->OnPageAction(0, 0));
    }
    if (std::strcmp(where, "skin") == 0) {
        CComPtr<ISkinControlExtension> extension;
        HRESULT hr = Create(L"OrvisaExt.SkinControlExt", extension);
        if (FAILED(hr))
            return hr;
        return Report("SkinControlExt slot 3", extension->OnSkinControlAction(0, 0));
    }
    return E_INVALIDARG;
}

HRESULT Search(LONG value) {
    CComPtr<ISearchExtension> extension;
    HRESULT hr = Create(L"OrvisaExt.SearchExt", extension);
    if (FAILED(hr))
        return hr;
    return Report("SearchExt slot 3", extension->OnSearch(value));
}

LRESULT CALLBACK HoldWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

// The window appears once the module is loaded (and the player's event, if
// one is given, sent), so a test waits for it; a WM_CLOSE to it, as a test's
// process owner sends, lets go of the module. A host that is terminated
// instead sends no stop.
HRESULT Hold(bool withEvent, LONG event) {
    CComPtr<IPlayerExtension> extension;
    const HRESULT hr = Create(L"OrvisaExt.PlayerExt", extension);
    if (FAILED(hr))
        return hr;
    if (withEvent)
        extension->OnPlayerEvent(event);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = HoldWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"HostSimulatorHold";
    if (!RegisterClassW(&windowClass) ||
        !CreateWindowW(windowClass.lpszClassName, L"hostsim hold", WS_OVERLAPPED, 0, 0, 0, 0,
                       nullptr, nullptr, windowClass.hInstance, nullptr))
        return HRESULT_FROM_WIN32(GetLastError());
    std::printf("holding OrvisaExt.PlayerExt\n");
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return S_OK;
}

HRESULT Run(int argc, char** argv) {
    LONG value = 0;
    if (argc == 2 && std::strcmp(argv[1], "hold") == 0)
        return Hold(false, 0);
    if (argc == 4 && std::strcmp(argv[1], "hold") == 0 && std::strcmp(argv[2], "player-event") == 0)
        return ParseLong(argv[3], value) ? Hold(true, value) : E_INVALIDARG;
    if (argc < 3)
        return E_INVALIDARG;
    const char* command = argv[1];
    if (std::strcmp(command, "osd") == 0)
        return argc == 3 ? OsdAction(argv[2]) : E_INVALIDARG;
    if (!ParseLong(argv[2], value))
        return E_INVALIDARG;
    if (std::strcmp(command, "player-event") == 0 && argc <= 4) {
        LONG state = 0;
        const bool withPlayer = argc < 4 || std::strcmp(argv[3], "none") != 0;
        if (argc == 4 && withPlayer && !ParseLong(argv[3], state))
            return E_INVALIDARG;
        return PlayerEvent(value, withPlayer, state);
    }
    if (std::strcmp(command, "selection") == 0 && argc == 3)
        return Selection(value);
    if (std::strcmp(command, "search") == 0 && argc == 3)
        return Search(value);
    return E_INVALIDARG;
}

} // namespace

int main(int argc, char** argv) {
    // A host's user interface thread: a single-threaded apartment.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(init))
        return static_cast<int>(init);
    const CScopeExit uninitialize([] { CoUninitialize(); });
    const HRESULT hr = Run(argc, argv);
    if (hr == E_INVALIDARG)
        std::printf("usage: hostsim player-event <code> [<state>|none] | selection <number> | "
                    "osd page|skin | search <value> | hold [player-event <code>]\n");
    return static_cast<int>(hr);
}
