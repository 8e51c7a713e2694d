// The main window on a desk of several displays: every display gets the same words, displays
// come and go, a refusing display is reported once and the report goes when it takes the tint,
// and every orderly end leaves the identity ramp on every display.

#include <memory>
#include <string>
#include <vector>

#include "tests/fakes/fake_display_devices.h"
#include "tests/unit/app/main_form_fixture.h"
#include "tint/every_display_gamma.h"

namespace qvx::app {
namespace {

using tint::EveryDisplayGamma;
using tint::GammaRamp;
using tint::fakes::FakeDisplayDevices;

constexpr const char* kNotice = "显示器拒绝了色温调节，请检查显卡驱动或关闭系统的夜间模式。";

bool IsIdentity(const GammaRamp& ramp) {
    for (int i = 0; i < 768; ++i) {
        if (ramp[static_cast<std::size_t>(i)] != (i % 256) * 257) {
            return false;
        }
    }
    return true;
}

class MainFormDisplaysTest : public MainFormFixture {
protected:
    MainFormDisplaysTest() {
        desk.Plug("\\\\.\\DISPLAY1").Plug("\\\\.\\DISPLAY2").Plug("\\\\.\\DISPLAY3");
        Put("ZNHY", "0");
        Put("SetHuYanValue", "33");
    }
    // The form goes before the displays it loads into.
    ~MainFormDisplaysTest() override { form.reset(); }
    MainForm& StartOnDesk() {
        form.reset();
        displays = std::make_unique<EveryDisplayGamma>(desk);
        form = std::make_unique<MainForm>(MainFormPorts{module, *displays, clock, idle, processes,
                                                        tray, icons, shell, messages, host, stats,
                                                        macs, prompt, launcher, desktop,
                                                        hotkeys, picker, wallClock});
        form->Form_Load();
        return *form;
    }
    FakeDisplayDevices::Display& D(int n) {
        return desk.displays["\\\\.\\DISPLAY" + std::to_string(n)];
    }
    bool NoticeShown() const { return C().GammaNotice.visible && C().GammaNotice.text == kNotice; }

    FakeDisplayDevices desk;
    std::unique_ptr<EveryDisplayGamma> displays;
};

TEST_F(MainFormDisplaysTest, EveryDisplayGetsTheWordsOfTheSingleDisplay) {
    // A gap after start-up brings the nudged refreshes into the run.
    const std::vector<GammaRamp> single = [&] {
        std::vector<GammaRamp> words;
        Start();
        words.push_back(gamma.lastRamp);
        clock.Advance(7);
        for (int i = 0; i < 15; ++i) {
            Tick();
            words.push_back(gamma.lastRamp);
        }
        form.reset();
        return words;
    }();
    clock = fakes::FakeClock{};
    StartOnDesk();
    std::vector<std::vector<GammaRamp>> seen(3);
    auto record = [&] {
        for (int n = 1; n <= 3; ++n) {
            seen[static_cast<std::size_t>(n - 1)].push_back(D(n).lastRamp);
        }
    };
    record();
    clock.Advance(7);
    for (int i = 0; i < 15; ++i) {
        Tick();
        record();
    }
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(seen[static_cast<std::size_t>(n - 1)], single) << "display " << n;
        EXPECT_EQ(D(n).loadCount, gamma.loadCount) << "display " << n;
    }
    EXPECT_NE(single.front(), single[1]);  // the run did include nudged words
    EXPECT_FALSE(C().GammaNotice.visible);
}

TEST_F(MainFormDisplaysTest, ADisplayUnpluggedAndPluggedBackGetsTheTintAgain) {
    StartOnDesk();
    Ticks(2);
    desk.Unplug("\\\\.\\DISPLAY2");
    form->DisplaysChanged();
    EXPECT_EQ(D(2).openContexts, 0);
    const int loadsWhileAway = D(2).loadCount;
    Ticks(3);
    EXPECT_EQ(D(2).loadCount, loadsWhileAway);
    EXPECT_FALSE(C().GammaNotice.visible);  // a display that went is no refusal

    D(2).lastRamp = GammaRamp{};  // plugged back with its own (dark) ramp
    desk.Plug("\\\\.\\DISPLAY2");
    form->DisplaysChanged();
    EXPECT_EQ(D(2).openContexts, 1);
    Tick();
    EXPECT_EQ(D(2).lastRamp, D(1).lastRamp);
    EXPECT_EQ(D(2).lastRamp, D(3).lastRamp);
    EXPECT_FALSE(IsIdentity(D(2).lastRamp));
    EXPECT_EQ(D(1).opened, 1);  // the others kept their contexts
}

TEST_F(MainFormDisplaysTest, ARefusingDisplayIsReportedOnceAndTheLineGoesWhenItTakesTheTint) {
    StartOnDesk();
    const std::string notice = kNotice;
    D(3).refuse = true;
    Ticks(2);
    EXPECT_FALSE(C().GammaNotice.visible) << "two refusals are not yet a notice";
    Tick();
    EXPECT_TRUE(NoticeShown());
    ASSERT_EQ(tray.balloons.size(), 1u);
    EXPECT_EQ(tray.balloons[0].text, notice);
    EXPECT_EQ(tray.balloons[0].id, form->Tray().id);
    EXPECT_EQ(messages.shown.size(), 0u);  // never a modal box from the tick

    Ticks(5);
    EXPECT_EQ(tray.balloons.size(), 1u);
    const int loads = D(3).loadCount;
    Tick();
    EXPECT_EQ(D(3).loadCount, loads + 1);  // tried again every second

    D(3).refuse = false;
    Tick();
    EXPECT_FALSE(C().GammaNotice.visible);
    EXPECT_TRUE(C().GammaNotice.text.empty());
    EXPECT_EQ(D(3).lastRamp, D(1).lastRamp);

    // Refusing again later in the run: the line comes back, the balloon does not.
    D(3).refuse = true;
    Ticks(3);
    EXPECT_TRUE(NoticeShown());
    EXPECT_EQ(tray.balloons.size(), 1u);
}

TEST_F(MainFormDisplaysTest, ABalloonTheShellDidNotTakeIsTriedWithTheNextNotice) {
    StartOnDesk();
    tray.ExplorerRestart();  // no icon to show a balloon from
    auto refuseEpisode = [&] {
        D(1).refuse = true;
        Ticks(3);
        EXPECT_TRUE(NoticeShown());
        D(1).refuse = false;
        Tick();
        EXPECT_FALSE(C().GammaNotice.visible);
    };
    refuseEpisode();
    EXPECT_EQ(tray.balloons.size(), 1u);
    form->TaskbarCreated();  // the icon is back
    refuseEpisode();
    EXPECT_EQ(tray.balloons.size(), 2u);
    refuseEpisode();
    EXPECT_EQ(tray.balloons.size(), 2u);  // taken once: never again this run
}

TEST_F(MainFormDisplaysTest, AnAcceptedLoadBetweenRefusalsStartsTheCountAgain) {
    StartOnDesk();
    for (int round = 0; round < 4; ++round) {
        D(2).refuse = true;
        Ticks(2);
        D(2).refuse = false;
        Tick();
    }
    EXPECT_FALSE(C().GammaNotice.visible);
    EXPECT_TRUE(tray.balloons.empty());
}

TEST_F(MainFormDisplaysTest, EveryOrderlyEndRestoresIdentityOnEveryDisplay) {
    const struct {
        const char* what;
        void (MainForm::*end)();
        int position;
    } cases[] = {
        {"exit image", &MainForm::TuiChuImage_Click, 33},
        {"unload", &MainForm::Form_Unload, 33},
        {"terminate", &MainForm::Form_Terminate, 33},
        {"end of session", &MainForm::EndSession, 33},
        {"exit image at 0 after a nudge", &MainForm::TuiChuImage_Click, 0},
    };
    for (const auto& c : cases) {
        Put("SetHuYanValue", std::to_string(c.position));
        Put("ZNHY", "0");
        desk = FakeDisplayDevices{};
        desk.Plug("\\\\.\\DISPLAY1").Plug("\\\\.\\DISPLAY2").Plug("\\\\.\\DISPLAY3");
        StartOnDesk();
        if (c.position == 0) {
            form->SetSliderPosition(0);
        }
        clock.Advance(7);
        Tick();  // a nudged refresh: not the identity even at 0
        for (int n = 1; n <= 3; ++n) {
            ASSERT_FALSE(IsIdentity(D(n).lastRamp)) << c.what << " display " << n;
        }
        (form.get()->*c.end)();
        for (int n = 1; n <= 3; ++n) {
            EXPECT_TRUE(IsIdentity(D(n).lastRamp)) << c.what << " display " << n;
        }
        form.reset();
        displays.reset();
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(D(n).openContexts, 0) << c.what << " display " << n;
        }
    }
}

}  // namespace
}  // namespace qvx::app
