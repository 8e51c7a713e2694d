// Cost of one ordinary session tick of the main window on fakes: activity check, countdown and
// counters with their labels, the date read of the day roll-over through the registry gateway,
// and the tint refresh that reloads the ramp.

#include <benchmark/benchmark.h>

#include "app/main_form.h"
#include "app/main_module.h"
#include "tests/fakes/desktop_fakes.h"
#include "tests/fakes/fake_gamma_display.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/main_form_fakes.h"
#include "tests/fakes/report_fakes.h"

namespace {

void BM_SessionTick(benchmark::State& state) {
    using namespace qvx;
    using namespace qvx::app;
    fakes::FakeRegistry registry;
    MainModule module(registry);
    tint::fakes::FakeGammaDisplay gamma;
    fakes::FakeClock clock;
    fakes::FakeIdleClock idle;
    fakes::FakeProcessTable processes;
    fakes::FakeTrayIcon tray;
    fakes::FakeIconFiles icons;
    fakes::FakeShell shell;
    fakes::FakeMessageBoxes messages;
    fakes::FakeProgramHost host;
    fakes::FakeStatsService stats;
    stats.Down();
    fakes::FakeMacSource macs;
    fakes::FakePrompt prompt(nullptr);
    fakes::FakeLauncher launcher;
    fakes::FakeDesktop desktop;
    fakes::FakeHotkeys hotkeys;
    fakes::FakeProgramPicker picker;
    fakes::FakeWallClock wallClock;
    MainForm form(MainFormPorts{module, gamma, clock, idle, processes, tray, icons, shell, messages,
                                host, stats, macs, prompt, launcher, desktop, hotkeys, picker,
                                wallClock});
    form.Form_Load();
    const bool active = state.range(0) != 0;
    for (auto _ : state) {
        clock.Advance(1);
        idle.Advance(1000);
        idle.SetIdle(active ? 0 : 10 * 60 * 1000);
        form.SendInfoTimer_Timer();
    }
    benchmark::DoNotOptimize(form.KJSCSeconds());
}
BENCHMARK(BM_SessionTick)->Arg(1)->Arg(0)->ArgNames({"active"});

}  // namespace

BENCHMARK_MAIN();
