// Start-up of the main window: the order of its steps across the ports, and what it leaves on
// the window.

#include <string>
#include <vector>

#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app {
namespace {

using StartupTest = MainFormFixture;

TEST_F(StartupTest, StepsRunInOrderAcrossThePorts) {
    Put("ZNHY", "0");
    Put("PLTX", "1");
    Put("SetHuYanValue", "25");
    for (fakes::CallLog** slot :
         {&recordingRegistry.log, &clock.log, &processes.log, &tray.log, &icons.log, &host.log}) {
        *slot = &log;
    }
    processes.running = std::vector<std::uint32_t>{7, processes.self};

    Start();

    const std::string icon = "icon C:\\Program Files\\Quorvex\\quorvex.ico";
    const std::vector<std::string> expected = {
        "processes quorvex.EXE",
        "terminate 7",  // single instance
        "clock now",
        "reg read SetNowDateVlaue",   // day check
        "reg write SetNowDateVlaue",  //
        icon,
        "tray add",  // tray icon
        "reg read ZNHY",
        "reg read PLTX",  // switches
        "reg read KJQD",
        "reg write KJQD",  //  (KJQD missing: 1)
        "reg read FullScreenPause",
        "reg read ExcludedPrograms",  // stepping aside, hotkeys, a running pause:
        "reg read HotkeyWarmer",      // before the first load
        "reg read HotkeyCooler",
        "reg read HotkeyPause",
        "reg read ReminderQuiet",
        "reg read PauseUntil",
        "reg read Schedule",  // the smart mode's schedule, before the initial tint
        "reg read DayStart",
        "reg read NightStart",
        "reg read Latitude",
        "reg read Longitude",
        "reg read Place",
        "reg read TransitionMinutes",
        "reg read DayStrength",
        "reg read NightStrength",
        "reg read SetHuYanValue",
        "reg write SetHuYanValue",  // initial tint, stored again
        "reg write quorvex",        // auto-start
    };
    EXPECT_EQ(log.entries, expected);
    EXPECT_EQ(form->Tint().LastTintRefresh(), clock.seconds);
    EXPECT_EQ(form->Tint().NudgeCount(), 0);
    EXPECT_EQ(gamma.loadCount, 1);  // the initial position 25 loaded once
}

TEST_F(StartupTest, LeavesTheWindowStyledRunningAndVisible) {
    Make();
    EXPECT_FALSE(form->SendInfoTimerEnabled());
    EXPECT_EQ(form->SendInfoTimerInterval(), 0);
    Tick();  // a tick before start-up does nothing
    EXPECT_EQ(form->KJSCSeconds(), 0);

    form->Form_Load();

    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(form->SendInfoTimerEnabled());
    EXPECT_EQ(form->SendInfoTimerInterval(), 1000);
    EXPECT_EQ(C().PcVer.text, "PC V1.5");
    EXPECT_EQ(form->OwnVersion(), "1.5");
    EXPECT_FALSE(form->ExchangeDone());
    EXPECT_EQ(form->RestCountdown(), 45);
    EXPECT_EQ(form->MinuteTickCounter(), 0);
    EXPECT_EQ(form->ActiveFlag(), 0);
    EXPECT_EQ(form->SaveTickCounter(), 0);
    EXPECT_EQ(C().RGBSlider.min, 0);
    EXPECT_EQ(C().RGBSlider.max, 50);
    EXPECT_EQ(C().PLSYSJ.fontSize, 40);
    const std::uint32_t orange = 0x3E87FF;  // RGB(255, 135, 62)
    for (const LabelControl* label :
         {&C().PLSYSJ, &C().Fen, &C().KJSC, &C().LJSY, &C().BCSC, &C().ZDSC}) {
        EXPECT_EQ(label->color, orange);
        EXPECT_EQ(label->fontName, "微软雅黑");
        if (label != &C().PLSYSJ) {
            EXPECT_EQ(label->fontSize, 13);
        }
    }
    EXPECT_EQ(C().PLSYSJ.text, "45");
    EXPECT_EQ(C().Fen.text, "分");
    EXPECT_EQ(C().KJSC.text, "00:00:00");

    Tick();
    EXPECT_TRUE(form->ExchangeDone());
    EXPECT_EQ(form->LastVersionReply(), "-1");  // no service: nothing offered
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(form->KJSCSeconds(), 1);
}

TEST_F(StartupTest, FirstStartOnAnEmptyRegistryTurnsEverythingOn) {
    Start();
    for (const char* name : {"ZNHY", "PLTX", "KJQD"}) {
        EXPECT_EQ(Stored(name), "1") << name;
    }
    EXPECT_EQ(RunValue(), "\"C:\\Program Files\\Quorvex\\quorvex.exe\"");
    EXPECT_TRUE(C().ZNHY_XUAN.visible);
    EXPECT_FALSE(C().ZNHY.visible);
    EXPECT_TRUE(C().PLTX_XUAN.visible);
    EXPECT_FALSE(C().PLTX.visible);
    EXPECT_TRUE(C().KJQD_XUAN.visible);
    EXPECT_FALSE(C().KJQD.visible);
    EXPECT_EQ(Stored("SetNowDateVlaue"), Today());
    EXPECT_EQ(Stored("SetHuYanValue"), std::nullopt);  // smart position is never stored
    EXPECT_EQ(C().RGBSlider.position, 17);             // 12:00 is daytime
    EXPECT_EQ(tray.shown.size(), 1u);
}

TEST_F(StartupTest, ARestartKeepsSwitchesOffAndRemovesTheRunValue) {
    Start();
    ASSERT_TRUE(RunValue());
    form->ZNHY_XUAN_Click();
    form->PLTX_XUAN_Click();
    form->KJQD_XUAN_Click();
    EXPECT_EQ(RunValue(), std::nullopt);
    // Another tool puts the Run value back while the program is not running.
    registry.PutString(HKEY_CURRENT_USER_ROOT, kRunKey, "quorvex", "C:\\old\\quorvex.exe");

    Start();

    for (const char* name : {"ZNHY", "PLTX", "KJQD"}) {
        EXPECT_EQ(Stored(name), "0") << name;
    }
    EXPECT_EQ(form->ZNHYSwitch(), 0);
    EXPECT_EQ(form->PLTXSwitch(), 0);
    EXPECT_EQ(form->KJQDSwitch(), 0);
    EXPECT_TRUE(C().ZNHY.visible);
    EXPECT_FALSE(C().ZNHY_XUAN.visible);
    EXPECT_TRUE(C().PLTX.visible);
    EXPECT_FALSE(C().PLTX_XUAN.visible);
    EXPECT_TRUE(C().KJQD.visible);
    EXPECT_FALSE(C().KJQD_XUAN.visible);
    EXPECT_EQ(RunValue(), std::nullopt);
}

// A statistics service that takes its time: the session ticks go on meanwhile (tint refresh,
// counters), and the offer and the report come when their replies do.
TEST_F(StartupTest, TicksGoOnWhileTheExchangeWaitsForTheService) {
    fakes::FakeBackground held;
    background = &held;
    stats = fakes::FakeStatsService();
    stats.Answer("http://127.0.0.1:8091/vmo.api/api/version/Versionpc", "1.5");
    stats.Answer("http://127.0.0.1:8091/vmo.api/api/user/addappUserinfo", "1");
    Put("StatsHost", "127.0.0.1");
    Start();
    const int loads = gamma.loadCount;
    Ticks(10);
    EXPECT_EQ(gamma.loadCount, loads + 10) << "a refresh on every tick while the exchange waits";
    EXPECT_EQ(form->KJSCSeconds(), 10);
    EXPECT_TRUE(form->ExchangeDone());
    EXPECT_EQ(held.started, 1);
    EXPECT_EQ(form->Tint().NudgeCount(), 0) << "no tick came late";

    held.Finish();
    Tick();
    EXPECT_EQ(form->LastVersionReply(), "1.5");
    EXPECT_EQ(held.started, 2) << "the report follows the version check";
    held.Finish();
    Tick();
    EXPECT_EQ(Stored("PostServer"), "1");
}

}  // namespace
}  // namespace qvx::app
