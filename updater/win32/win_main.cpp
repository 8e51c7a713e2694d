// qvxUpgraded.exe: the online updater. One window, MainF, carries the whole update flow.

#include <windows.h>

#include "updater/main_f.h"
#include "updater/update_public_key.h"
#include "updater/win32/cng_update_trust.h"
#include "updater/win32/download_file_adapter.h"
#include "updater/win32/main_f_adapters.h"
#include "updater/win32/main_f_window.h"
#include "updater/win32/window_message_pump.h"
#include "updater/win32/wininet_adapter.h"
#include "updlib/win32/win32_updlib_ports.h"

namespace {

// Sharp text at any scaling: per-monitor, as the manifest says (this call is for a system that
// did not read it); the window lays itself out again when it moves to another monitor.
void BecomeDpiAware() {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    using SetContext = BOOL(WINAPI*)(HANDLE);
    auto setContext = reinterpret_cast<SetContext>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, then PER_MONITOR_AWARE.
    if (setContext == nullptr ||
        (!setContext(reinterpret_cast<HANDLE>(-4)) && !setContext(reinterpret_cast<HANDLE>(-3)))) {
        ::SetProcessDPIAware();
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    BecomeDpiAware();

    auto trovapiPorts = updlib::MakeWin32TrovapiPorts();
    auto module1Ports = updlib::MakeWin32Module1Ports("qvxUpgraded");
    WinInetAdapter internet;
    DownloadFileAdapter downloadFiles;
    WindowMessagePump pump;
    Win32OwnedMessageBox messages(L"qvxUpgraded");
    Win32ProcessLauncher processes;
    Win32UpdateFiles files;
    CngUpdateTrust trust(std::string_view(kUpdatePublicKey, sizeof kUpdatePublicKey));
    MainFWindow window(instance);

    const updlib::TrovapiPorts tp = trovapiPorts->Ports();
    MainF form(MainFPorts{tp, module1Ports->Ports(), internet, downloadFiles, pump, messages,
                          tp.text, processes, files, window, trust});
    if (!window.Create(form)) {
        return 1;
    }
    messages.SetOwner(window.Hwnd());
    form.Form_Load();
    if (form.Ended()) {
        return 0;
    }
    return window.Run();
}
