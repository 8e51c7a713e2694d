// qvxUpgraded.exe: the online updater. One window, MainF, carries the whole update flow.

#include <windows.h>

#include "base/win32/dpi.h"
#include "updater/main_f.h"
#include "updater/update_public_key.h"
#include "updater/win32/cng_update_trust.h"
#include "updater/win32/download_file_adapter.h"
#include "updater/win32/main_f_adapters.h"
#include "updater/win32/main_f_window.h"
#include "updater/win32/window_message_pump.h"
#include "updater/win32/wininet_adapter.h"
#include "updlib/win32/win32_updlib_ports.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace qvx::updater;
    using namespace qvx::updater::win32;
    // Sharp text at any scaling: per-monitor, as the manifest says; the window lays itself out
    // again when it moves to another monitor.
    qvx::base::win32::EnableDpiAwareness();

    auto trovapiPorts = qvx::updlib::win32::MakeWin32TrovapiPorts();
    auto module1Ports = qvx::updlib::win32::MakeWin32Module1Ports("qvxUpgraded");
    WinInetAdapter internet;
    DownloadFileAdapter downloadFiles;
    WindowMessagePump pump;
    Win32OwnedMessageBox messages(L"qvxUpgraded");
    Win32ProcessLauncher processes;
    Win32UpdateFiles files;
    CngUpdateTrust trust(std::string_view(kUpdatePublicKey, sizeof kUpdatePublicKey));
    MainFWindow window(instance);

    const qvx::updlib::TrovapiPorts tp = trovapiPorts->Ports();
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
