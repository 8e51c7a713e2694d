#pragma once
// Builds a MainForm on fakes of every port, with helpers to seed the registry, start the
// program and run session ticks with a chosen idle time.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/main_module.h"
#include "tests/fakes/desktop_fakes.h"
#include "tests/fakes/fake_gamma_display.h"
#include "tests/fakes/fake_registry.h"
#include "tests/fakes/main_form_fakes.h"
#include "tests/fakes/report_fakes.h"

namespace qvx::app {

inline constexpr const char* kQuorvexKey = "Software\\quorvex";
inline constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::uintptr_t kIconHandle = 0x1A0057;
// 2026-12-10 12:00:00 UTC, the fake clock's local noon in a zone at UTC.
inline constexpr std::int64_t kFixtureUtc = 1796904000;

class MainFormFixture : public ::testing::Test {
protected:
    MainFormFixture() {
        stats.Down();  // no statistics service: the first tick's exchange changes nothing
        wallClock.utcNow = kFixtureUtc;
        // The program folder holds its icon.
        icons.files[host.folder + "\\quorvex.ico"] = kIconHandle;
    }

    // A new MainForm on the same fakes (a restart keeps the registry).
    MainForm& Make() {
        form.reset();
        form = std::make_unique<MainForm>(MainFormPorts{
            module, gamma, clock, idle, processes, tray, icons, shell, messages, host, stats, macs,
            prompt, launcher, desktop, hotkeys, picker, wallClock, background});
        return *form;
    }
    MainForm& Start() {
        Make().Form_Load();
        return *form;
    }

    // One second of the session: clock and tick clock advance, the last input lies idleMs back.
    void Tick(std::uint32_t idleMs = 0) {
        clock.Advance(1);
        idle.Advance(1000);
        idle.SetIdle(idleMs);
        form->SendInfoTimer_Timer();
    }
    void Ticks(int count, std::uint32_t idleMs = 0) {
        for (int i = 0; i < count; ++i) {
            Tick(idleMs);
        }
    }

    void Put(const std::string& name, const std::string& text) {
        registry.PutString(HKEY_CURRENT_USER_ROOT, kQuorvexKey, name, text);
    }
    // Everything under Software\quorvex gone, as on a PC where the program never ran.
    void ClearSettings() { module.DeleteRegEntry(HKEY_CURRENT_USER_ROOT, kQuorvexKey, ""); }
    std::optional<std::string> Stored(const std::string& name) const {
        return registry.StringValue(HKEY_CURRENT_USER_ROOT, kQuorvexKey, name);
    }
    std::optional<std::string> RunValue() const {
        return registry.StringValue(HKEY_CURRENT_USER_ROOT, kRunKey, "quorvex");
    }
    // Today's date as the clock shows it, "YYYY-MM-DD".
    std::string Today() const {
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", clock.now.year % 10000,
                      clock.now.month % 100, clock.now.day % 100);
        return text;
    }
    const MainFormControls& C() const { return form->Controls(); }
    // The 1-based preset whose overlay is visible; 0 when none, -1 when more than one.
    int HighlightedPreset() const {
        int found = 0;
        const auto overlays = C().PresetOverlays();
        for (int i = 0; i < 7; ++i) {
            if (overlays[static_cast<std::size_t>(i)]->visible) {
                found = found == 0 ? i + 1 : -1;
            }
        }
        return found;
    }
    bool LoadedIdentity() const {
        for (int c = 0; c < 3; ++c) {
            for (int i = 0; i < 256; ++i) {
                if (gamma.lastRamp[static_cast<std::size_t>(c * 256 + i)] != i * 257) {
                    return false;
                }
            }
        }
        return gamma.loadCount > 0;
    }

    fakes::CallLog log;
    fakes::FakeRegistry registry;
    fakes::RecordingRegistry recordingRegistry{registry};
    MainModule module{recordingRegistry};
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
    fakes::FakeMacSource macs;
    fakes::FakePrompt prompt{nullptr};
    fakes::FakeLauncher launcher;
    fakes::FakeDesktop desktop;
    fakes::FakeHotkeys hotkeys;
    fakes::FakeProgramPicker picker;
    fakes::FakeWallClock wallClock;
    // Where the exchange's work runs: none, at once in the tick, unless a test holds it.
    report::Background* background = nullptr;
    std::unique_ptr<MainForm> form;
};

}  // namespace qvx::app
