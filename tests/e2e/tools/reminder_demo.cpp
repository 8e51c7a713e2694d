// Shows the real rest reminder pop-up over the real main window, for a screenshot, without 45
// minutes of waiting: the same MainForm and window classes as quorvex.exe, with an idle clock
// that always reports fresh input, and the 2,700 active ticks of a 45-minute stretch run at once
// before the message loop starts. The server exchange is left out (it answers "not reachable").
#include <windows.h>
#include <objbase.h>

#include "app/main_form.h"
#include "app/main_module.h"
#include "app/win32/app_ports.h"
#include "app/win32/desktop_adapters.h"
#include "app/win32/main_window.h"
#include "app/win32/picture_painter.h"
#include "app/win32/registry_adapter.h"
#include "app/win32/window_util.h"
#include "base/win32/file_log.h"
#include "tint/every_display_gamma.h"
#include "tint/win32/gamma_display.h"

namespace {

class AlwaysActive : public qvx::app::IdleClock {
public:
    std::optional<std::uint32_t> LastInputTick() override { return GetTickCount(); }
    std::uint32_t TickCount() override { return GetTickCount(); }
};

class NoServer : public qvx::report::HttpPoster,
                 public qvx::report::MacSource,
                 public qvx::report::Prompt,
                 public qvx::report::ProgramLauncher {
public:
    qvx::report::HttpPostResult Post(const qvx::report::HttpPostRequest&) override { return {}; }
    std::optional<std::vector<std::string>> IpEnabledMacs() override { return std::nullopt; }
    qvx::report::PromptAnswer Show(const std::string&, qvx::report::PromptButtons,
                                   qvx::report::PromptIcon) override {
        return qvx::report::PromptAnswer::Cancel;
    }
    bool Start(const std::string&) override { return false; }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace qvx;
    using namespace qvx::app;
    using namespace qvx::app::win32;
    EnableDpiAwareness();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto registry = MakeWin32Registry();
    auto codec = MakeWin32AnsiCodec();
    MainModule module(*registry, *codec);
    tint::win32::Win32DisplayDevices displays;
    tint::EveryDisplayGamma gamma(displays);
    Win32Clock clock;
    AlwaysActive idle;
    Win32ProcessTable processes;
    Win32TrayIcon tray;
    Win32IconFiles icons;
    OwnerWindow owner;
    Win32Shell shell(owner);
    Win32MessageBoxes messages(owner);
    Win32ProgramHost host(owner);
    NoServer server;
    Win32Desktop desktop;
    Win32Hotkeys hotkeys(owner);
    Win32ProgramPicker picker(owner);
    Win32WallClock wallClock;
    PicturePainter painter;
    MainForm form(MainFormPorts{module, gamma, clock, idle, processes, tray, icons, shell, messages,
                                host, server, server, server, server, desktop, hotkeys, picker,
                                wallClock});
    base::win32::FileLog log(base::win32::ProgramLogFolder(), L"qvx_reminder_demo");
    MainWindow window(form, owner, painter, log);
    if (!window.Create())
        return 1;
    window.Load();
    // 45 minutes of use: the countdown reaches 0 on the 2,700th active tick.
    for (int tick = 0; tick < 2700 && !form.Reminder().Visible(); ++tick) {
        window.Dispatch([&form] { form.SendInfoTimer_Timer(); });
    }
    int code = window.Run();
    CoUninitialize();
    return code;
}
