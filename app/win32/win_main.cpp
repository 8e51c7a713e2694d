// quorvex.exe: the eye-care tray program. Builds the real adapters of every port, the main form
// and its window, and runs the message loop until the form ends.

#include <windows.h>

#include "app/main_form.h"
#include "app/main_module.h"
#include "app/win32/app_ports.h"
#include "app/win32/desktop_adapters.h"
#include "app/win32/main_window.h"
#include "app/win32/picture_painter.h"
#include "app/win32/registry_adapter.h"
#include "app/win32/window_util.h"
#include "base/win32/file_log.h"
#include "base/win32/scoped.h"
#include "report/win32/background_thread.h"
#include "report/win32/message_box_prompt.h"
#include "report/win32/process_launcher.h"
#include "report/win32/wmi_mac_source.h"
#include "report/win32/xml_http_poster.h"
#include "tint/every_display_gamma.h"
#include "tint/win32/gamma_display.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace qvx;
    using namespace qvx::app;
    using namespace qvx::app::win32;
    base::win32::FileLog log(base::win32::ProgramLogFolder(), L"quorvex");
    try {
        EnableDpiAwareness();
        // No COM apartment for the whole run: each use of COM (the process list, the adapter
        // query, the usage report's request, a shell call) opens one for its own duration, so
        // the thread leaves COM when the use is over and the servers it loaded can go with it.

        auto registry = MakeWin32Registry();
        auto codec = MakeWin32AnsiCodec();
        MainModule module(*registry, *codec);
        tint::win32::Win32DisplayDevices displays;
        tint::EveryDisplayGamma gamma(displays);
        Win32Clock clock;
        Win32IdleClock idle;
        Win32ProcessTable processes;
        Win32TrayIcon tray;
        Win32IconFiles icons;
        OwnerWindow owner;
        Win32Shell shell(owner);
        Win32MessageBoxes messages(owner);
        Win32ProgramHost host(owner);
        report::win32::XmlHttpPoster http(log);
        report::win32::WmiMacSource macs;
        report::win32::MessageBoxPrompt prompt;
        report::win32::ProcessLauncher launcher;
        Win32Desktop desktop;
        Win32Hotkeys hotkeys(owner);
        Win32ProgramPicker picker(owner);
        Win32WallClock wallClock;
        // After the adapters its work uses: it is joined before they go.
        report::win32::BackgroundThread background;

        PicturePainter painter;
        MainForm form(MainFormPorts{module, gamma, clock, idle, processes, tray, icons, shell,
                                    messages, host, http, macs, prompt, launcher, desktop, hotkeys,
                                    picker, wallClock, &background});
        MainWindow window(form, owner, painter, log);
        if (!window.Create())
            return 1;
        window.Load();
        return window.Run();
    } catch (...) {
        base::LogCurrentException(log, "quorvex start-up");
        return 1;
    }
}
