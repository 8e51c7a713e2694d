// Stepping aside, pausing, the hotkeys, the reminder's quiet moments and the settings window,
// through the main form on fakes.

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fakes/fake_display_devices.h"
#include "tests/unit/app/main_form_fixture.h"
#include "tint/every_display_gamma.h"

namespace qvx::app {
namespace {

using tint::EveryDisplayGamma;
using tint::GammaRamp;
using tint::fakes::FakeDisplayDevices;
using tint::fakes::RampAtPosition;

constexpr std::uint32_t kVkPageUp = 0x21;
constexpr std::uint32_t kVkHome = 0x24;
constexpr std::uint32_t kVkBack = 0x08;
constexpr std::uint32_t kVkEscape = 0x1B;

// Two monitors side by side, each a display of its own.
const MonitorArea kLeft{"\\\\.\\DISPLAY1", {0, 0, 1920, 1080}};
const MonitorArea kRight{"\\\\.\\DISPLAY2", {1920, 0, 3200, 1024}};

ForegroundWindow WindowOver(const MonitorArea& monitor, const std::string& program,
                            int shortBy = 0) {
    ForegroundWindow window;
    window.window = monitor.rect;
    window.client = monitor.rect;
    window.client.bottom -= shortBy;
    window.windowClass = "PlayerWindow";
    window.program = program;
    window.monitor = monitor.device;
    return window;
}

class AsideTest : public MainFormFixture {
protected:
    AsideTest() {
        Put("ZNHY", "0");
        Put("SetHuYanValue", "33");
        desk.Plug(kLeft.device).Plug(kRight.device);
        desktop.monitors = {kLeft, kRight};
    }
    ~AsideTest() override { form.reset(); }

    // The form on two displays, so each display's ramp can be told apart.
    MainForm& StartOnDesk() {
        form.reset();
        displays = std::make_unique<EveryDisplayGamma>(desk);
        form = std::make_unique<MainForm>(MainFormPorts{
            module, *displays, clock, idle, processes, tray, icons, shell, messages, host, stats,
            macs, prompt, launcher, desktop, hotkeys, picker, wallClock});
        form->Form_Load();
        return *form;
    }
    // A second of the session; the wall clock moves with it.
    void Second(std::uint32_t idleMs = 0) {
        wallClock.Advance(1);
        Tick(idleMs);
    }
    const GammaRamp& RampOf(const MonitorArea& monitor) {
        return desk.displays[monitor.device].lastRamp;
    }
    bool Tinted(const MonitorArea& monitor, int position = 33) {
        return RampOf(monitor) == RampAtPosition(position);
    }
    bool Identity(const MonitorArea& monitor) { return RampOf(monitor) == RampAtPosition(0); }

    FakeDisplayDevices desk;
    std::unique_ptr<EveryDisplayGamma> displays;
};

TEST_F(AsideTest, APauseShowsTheIdentityRampUntilItsEnd) {
    StartOnDesk();
    ASSERT_TRUE(Tinted(kLeft));
    form->PauseForHour();
    // At once, not on the next tick.
    EXPECT_TRUE(Identity(kLeft));
    EXPECT_TRUE(Identity(kRight));
    EXPECT_EQ(Stored("PauseUntil"), "2026-12-10T13:00:00Z");
    EXPECT_TRUE(C().PauseNotice.Shows());
    EXPECT_EQ(C().PauseNotice.text, "已暂停，13:00 恢复");
    EXPECT_TRUE(C().HuiFuImage.visible);
    EXPECT_EQ(C().RGBSlider.position, 33) << "the slider keeps the chosen strength";

    for (int i = 0; i < 3599; ++i) {
        Second();
    }
    EXPECT_TRUE(form->Paused());
    EXPECT_TRUE(Identity(kLeft)) << "every refresh of the pause loads the identity ramp";
    Second();
    EXPECT_FALSE(form->Paused());
    EXPECT_TRUE(Tinted(kLeft));
    EXPECT_TRUE(Tinted(kRight));
    EXPECT_EQ(Stored("PauseUntil"), "");
    EXPECT_FALSE(C().PauseNotice.Shows());
    EXPECT_FALSE(C().HuiFuImage.visible);
}

TEST_F(AsideTest, APauseSurvivesARestartAndAStrangeStoredEndIsDropped) {
    struct Case {
        const char* stored;
        bool paused;
        const char* after;  // what PauseUntil holds after start-up
    };
    const Case cases[] = {
        {"2026-12-10T12:30:00Z", true, "2026-12-10T12:30:00Z"},
        {"2026-12-12T11:59:59Z", true, "2026-12-12T11:59:59Z"},  // just under 48 hours
        {"2026-12-12T12:00:01Z", false, ""},                     // beyond: not ours
        {"2026-12-10T11:59:00Z", false, ""},                     // over while not running
        {"tomorrow", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        Put("PauseUntil", c.stored);
        StartOnDesk();
        EXPECT_EQ(form->Paused(), c.paused);
        EXPECT_EQ(Identity(kLeft), c.paused) << "the first load already steps aside";
        EXPECT_EQ(Stored("PauseUntil"), c.after);
    }
}

TEST_F(AsideTest, AClockSetBackFarEndsThePause) {
    StartOnDesk();
    form->PauseForHour();
    wallClock.Advance(-3 * 24 * 3600);
    Second();
    EXPECT_FALSE(form->Paused());
    EXPECT_TRUE(Tinted(kLeft));
}

TEST_F(AsideTest, TheUsersChoiceOfTintEndsAPause) {
    struct Case {
        const char* what;
        void (*act)(MainForm&);
        int position;
    };
    const Case cases[] = {
        {"slider", [](MainForm& f) { f.RGBSlider_Scroll(20); }, 20},
        // The preset of the strength already set: nothing moves, the tint comes back all the same.
        {"same preset", [](MainForm& f) { f.RGBImage03_Click(); }, 33},
        {"warmer hotkey", [](MainForm& f) { f.HotkeyPressed(MainForm::kHotkeyWarmer); }, 41},
        {"resume", [](MainForm& f) { f.HuiFuImage_Click(); }, 33},
        {"pause hotkey", [](MainForm& f) { f.HotkeyPressed(MainForm::kHotkeyPause); }, 33},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Put("PauseUntil", "");
        Put("SetHuYanValue", "33");
        StartOnDesk();
        form->PauseForHour();
        ASSERT_TRUE(Identity(kLeft));
        c.act(*form);
        EXPECT_FALSE(form->Paused());
        EXPECT_EQ(Stored("PauseUntil"), "");
        EXPECT_TRUE(Tinted(kLeft, c.position));
        EXPECT_TRUE(Tinted(kRight, c.position));
    }
}

TEST_F(AsideTest, PauseUntilMorningEndsAtTheNextSevenOClock) {
    StartOnDesk();
    form->PauseUntilMorning();
    EXPECT_EQ(Stored("PauseUntil"), "2026-12-11T07:00:00Z");
    EXPECT_EQ(C().PauseNotice.text, "已暂停，07:00 恢复");
    // In a zone eight hours ahead it is 20:00 local: the end is 07:00 local, 23:00 UTC.
    wallClock.baseOffsetSeconds = 8 * 3600;
    form->PauseUntilMorning();
    EXPECT_EQ(Stored("PauseUntil"), "2026-12-10T23:00:00Z");
    EXPECT_EQ(C().PauseNotice.text, "已暂停，07:00 恢复");
}

TEST_F(AsideTest, AFullScreenWindowTakesTheTintOffItsOwnDisplayOnly) {
    Put("FullScreenPause", "1");
    StartOnDesk();
    desktop.foreground = WindowOver(kRight, "player.exe");
    Second();
    EXPECT_TRUE(Identity(kRight));
    EXPECT_TRUE(Tinted(kLeft));
    // One pixel short of the monitor is not full-screen.
    desktop.foreground = WindowOver(kRight, "player.exe", 1);
    Second();
    EXPECT_TRUE(Tinted(kRight));
    desktop.foreground = WindowOver(kRight, "player.exe");
    Second();
    desktop.foreground.reset();
    Second();
    EXPECT_TRUE(Tinted(kRight)) << "back within a second after the window leaves";
}

TEST_F(AsideTest, FullScreenStepsAsideOnlyWhenSwitchedOn) {
    StartOnDesk();  // FullScreenPause missing: off
    desktop.foreground = WindowOver(kLeft, "player.exe");
    Second();
    EXPECT_TRUE(Tinted(kLeft));
    form->SetFullScreenPause(true);
    EXPECT_TRUE(Identity(kLeft)) << "the setting applies at once";
    EXPECT_EQ(Stored("FullScreenPause"), "1");
    form->SetFullScreenPause(false);
    EXPECT_TRUE(Tinted(kLeft));
    EXPECT_EQ(Stored("FullScreenPause"), "0");
}

TEST_F(AsideTest, AChosenProgramInFrontStepsAsideWhereverItIs) {
    Put("ExcludedPrograms", "photoshop.exe|lightroom.exe");
    StartOnDesk();
    ForegroundWindow editor = WindowOver(kLeft, "Photoshop.EXE", 200);  // not full-screen
    desktop.foreground = editor;
    Second();
    EXPECT_TRUE(Identity(kLeft));
    EXPECT_TRUE(Tinted(kRight));
    // Moved so that it spans both monitors: both step aside.
    editor.window = {1000, 0, 2500, 900};
    editor.client = editor.window;
    desktop.foreground = editor;
    Second();
    EXPECT_TRUE(Identity(kLeft));
    EXPECT_TRUE(Identity(kRight));
    desktop.foreground = WindowOver(kLeft, "notepad.exe", 200);
    Second();
    EXPECT_TRUE(Tinted(kLeft));
    EXPECT_TRUE(Tinted(kRight));
}

TEST_F(AsideTest, TheSettingsWindowAddsAndRemovesChosenPrograms) {
    Start();
    form->SheZhiImage_Click();
    SettingsForm& settings = form->Settings();
    ASSERT_TRUE(settings.Visible());
    EXPECT_EQ(settings.ProgramNames[0].text, "尚未添加程序");
    EXPECT_FALSE(settings.RemoveImages[0].visible);

    picker.answer = "C:\\Program Files\\Adobe\\Photoshop.exe";
    settings.AddProgramImage_Click();
    picker.answer = "D:\\Games\\game.exe";
    settings.AddProgramImage_Click();
    picker.answer = "C:\\Other\\PHOTOSHOP.EXE";  // the same program again
    settings.AddProgramImage_Click();
    picker.answer.reset();  // cancelled
    settings.AddProgramImage_Click();
    EXPECT_EQ(picker.calls, 4);
    EXPECT_EQ(Stored("ExcludedPrograms"), "Photoshop.exe|game.exe");
    EXPECT_EQ(settings.ProgramNames[1].text, "game.exe");
    EXPECT_TRUE(settings.RemoveImages[1].visible);

    settings.RemoveImage_Click(0);
    EXPECT_EQ(Stored("ExcludedPrograms"), "game.exe");
    EXPECT_EQ(settings.ProgramNames[0].text, "game.exe");
    EXPECT_FALSE(settings.RemoveImages[1].visible);

    // Read back as stored at the next start.
    Start();
    ASSERT_EQ(form->Aside().excluded.size(), 1u);
    EXPECT_EQ(form->Aside().excluded[0], "game.exe");
}

TEST_F(AsideTest, TheSettingsWindowSwitchesAreStoredAndClosesByEsc) {
    Start();
    form->SheZhiImage_Click();
    SettingsForm& settings = form->Settings();
    EXPECT_TRUE(settings.QuietOn.visible) << "ReminderQuiet defaults to on";
    EXPECT_TRUE(settings.FullScreenOff.visible);
    // A click on the visible image of each pair, by where it is on the window.
    auto clickOn = [&](const ImageControl& image) {
        ASSERT_TRUE(image.visible);
        EXPECT_TRUE(settings.ClickAt(image.rect.left + 10, image.rect.top + 10));
    };
    clickOn(settings.QuietOn);
    EXPECT_EQ(Stored("ReminderQuiet"), "0");
    EXPECT_TRUE(settings.QuietOff.visible);
    clickOn(settings.FullScreenOff);
    EXPECT_EQ(Stored("FullScreenPause"), "1");
    EXPECT_TRUE(settings.FullScreenOn.visible);
    clickOn(settings.PauseHourImage);
    EXPECT_TRUE(form->Paused());
    EXPECT_EQ(settings.PauseState.text, "已暂停，13:00 恢复");
    clickOn(settings.ResumeImage);
    EXPECT_FALSE(form->Paused());
    EXPECT_FALSE(settings.ResumeImage.visible);

    EXPECT_TRUE(settings.KeyDown(0, kVkEscape));
    EXPECT_FALSE(settings.Visible());
    form->SheZhiImage_Click();
    clickOn(settings.CloseImage);
    EXPECT_FALSE(settings.Visible());
}

TEST_F(AsideTest, HotkeysAreRegisteredAndMoveTheSliderByPresets) {
    Start();
    EXPECT_EQ(hotkeys.registered[MainForm::kHotkeyWarmer], (Hotkey{kModAlt, 0x21}));
    EXPECT_EQ(hotkeys.registered[MainForm::kHotkeyCooler], (Hotkey{kModAlt, 0x22}));
    EXPECT_EQ(hotkeys.registered[MainForm::kHotkeyPause], (Hotkey{kModAlt, 0x23}));
    ASSERT_EQ(C().RGBSlider.position, 33);

    form->HotkeyPressed(MainForm::kHotkeyWarmer);
    EXPECT_EQ(C().RGBSlider.position, 41);
    EXPECT_EQ(Stored("SetHuYanValue"), "41") << "smart mode off: stored as the slider stores";
    EXPECT_EQ(gamma.lastRamp, RampAtPosition(41));
    form->HotkeyPressed(MainForm::kHotkeyWarmer);
    form->HotkeyPressed(MainForm::kHotkeyWarmer);
    EXPECT_EQ(C().RGBSlider.position, 50);
    for (int i = 0; i < 8; ++i) {
        form->HotkeyPressed(MainForm::kHotkeyCooler);
    }
    EXPECT_EQ(C().RGBSlider.position, 0);
    EXPECT_EQ(Stored("SetHuYanValue"), "9") << "0 is never stored";

    form->HotkeyPressed(MainForm::kHotkeyPause);
    EXPECT_TRUE(form->Paused());
    form->HotkeyPressed(MainForm::kHotkeyPause);
    EXPECT_FALSE(form->Paused());
}

TEST_F(AsideTest, AHeldCombinationIsReportedOnceAndStoredTextsAreRead) {
    hotkeys.heldByAnother = {Hotkey{kModAlt, 0x21}};
    Put("HotkeyCooler", "ctrl+alt+f9");
    Put("HotkeyPause", "");  // none
    Start();
    ASSERT_EQ(tray.balloons.size(), 1u);
    EXPECT_NE(tray.balloons[0].text.find("Alt+PageUp"), std::string::npos);
    EXPECT_EQ(hotkeys.registered[MainForm::kHotkeyCooler], (Hotkey{kModControl | kModAlt, 0x78}));
    EXPECT_EQ(hotkeys.registered.count(MainForm::kHotkeyPause), 0u);
    // Registering again (a hotkey changed) says nothing new of the same combination.
    form->SetHotkey(2, Hotkey{kModAlt, 0x24});
    EXPECT_EQ(tray.balloons.size(), 1u);
    EXPECT_EQ(Stored("HotkeyPause"), "Alt+Home");
}

TEST_F(AsideTest, AHotkeyFieldRecordsClearsAndCancels) {
    Start();
    form->SheZhiImage_Click();
    SettingsForm& settings = form->Settings();
    EXPECT_EQ(settings.HotkeyTexts[0].text, "Alt+PageUp");

    settings.HotkeyField_Click(0);
    EXPECT_EQ(settings.HotkeyFields[0].picture, Picture::HotkeyFieldRecording);
    EXPECT_TRUE(settings.KeyDown(kModAlt, 0x12)) << "Alt alone: still listening";
    EXPECT_TRUE(settings.Recording().has_value());
    EXPECT_TRUE(settings.KeyDown(kModControl | kModShift, kVkHome));
    EXPECT_FALSE(settings.Recording().has_value());
    EXPECT_EQ(Stored("HotkeyWarmer"), "Ctrl+Shift+Home");
    EXPECT_EQ(hotkeys.registered[MainForm::kHotkeyWarmer],
              (Hotkey{kModControl | kModShift, kVkHome}));
    EXPECT_EQ(settings.HotkeyTexts[0].text, "Ctrl+Shift+Home");

    // The cooler field takes the warmer's combination: one combination, one action.
    settings.HotkeyField_Click(1);
    settings.KeyDown(kModControl | kModShift, kVkHome);
    EXPECT_EQ(Stored("HotkeyCooler"), "Ctrl+Shift+Home");
    EXPECT_EQ(Stored("HotkeyWarmer"), "");
    EXPECT_EQ(settings.HotkeyTexts[0].text, "无");

    settings.HotkeyField_Click(2);
    EXPECT_TRUE(settings.KeyDown(0, kVkEscape));  // cancels, the window stays
    EXPECT_TRUE(settings.Visible());
    EXPECT_EQ(Stored("HotkeyPause"), std::nullopt) << "nothing written on cancel";
    settings.HotkeyField_Click(2);
    settings.KeyDown(0, kVkBack);
    EXPECT_EQ(Stored("HotkeyPause"), "");
    EXPECT_EQ(hotkeys.registered.count(MainForm::kHotkeyPause), 0u);
    settings.HotkeyField_Click(2);
    settings.KeyDown(kModAlt, kVkPageUp);
    EXPECT_EQ(Stored("HotkeyPause"), "Alt+PageUp");
}

TEST_F(AsideTest, TheReminderWaitsWhileSomethingIsPresented) {
    Start();
    desktop.acceptsNotifications = false;  // a presentation
    Ticks(45 * 60);
    EXPECT_EQ(form->RestCountdown(), 0);
    EXPECT_FALSE(form->Reminder().Visible());
    Ticks(3 * 60);
    EXPECT_EQ(form->RestCountdown(), 0) << "it waits at 0, not below";
    EXPECT_FALSE(form->Reminder().Visible());
    desktop.acceptsNotifications = true;
    Tick();
    EXPECT_TRUE(form->Reminder().Visible());
    EXPECT_EQ(form->RestCountdown(), 45);
}

TEST_F(AsideTest, AFullScreenWindowHoldsTheReminderUnlessQuietIsOff) {
    for (const char* quiet : {"1", "0"}) {
        SCOPED_TRACE(quiet);
        Put("ReminderQuiet", quiet);
        Start();
        desktop.monitors = {kLeft};
        desktop.foreground = WindowOver(kLeft, "game.exe");
        Ticks(45 * 60);
        EXPECT_EQ(form->Reminder().Visible(), std::string(quiet) == "0");
    }
}

TEST_F(AsideTest, RemindInFiveMinutes) {
    Start();
    Ticks(45 * 60);
    ASSERT_TRUE(form->Reminder().Visible());
    const ImageControl& later = form->Reminder().Image4;
    EXPECT_TRUE(form->Reminder().ClickAt(later.rect.left + 10, later.rect.top + 10));
    EXPECT_FALSE(form->Reminder().Visible());
    EXPECT_EQ(form->RestCountdown(), 5);
    EXPECT_EQ(C().PLSYSJ.text, "5");
    Ticks(5 * 60 - 1);
    EXPECT_FALSE(form->Reminder().Visible());
    Tick();
    EXPECT_TRUE(form->Reminder().Visible());
    EXPECT_EQ(form->Reminder().ShowCount(), 2);
}

TEST_F(AsideTest, WakingTheDisplaysLoadsTheTintAtOnce) {
    Start();
    const int loads = gamma.loadCount;
    gamma.lastRamp = RampAtPosition(0);  // a driver reset the ramp while asleep
    form->DisplaysAwake();
    EXPECT_EQ(gamma.loadCount, loads + 1);
    EXPECT_EQ(gamma.lastRamp, RampAtPosition(33));
}

}  // namespace
}  // namespace qvx::app
