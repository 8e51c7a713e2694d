// The slider and its change rule, the presets, the smart mode and the initial tint.

#include <string>

#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app {
namespace {

using TintTest = MainFormFixture;

TEST_F(TintTest, PresetsWriteTheirPositionAndHighlightTheirBand) {
    Put("ZNHY", "0");
    Start();
    struct Case {
        void (MainForm::*click)();
        int position;
        int preset;
    };
    const Case cases[] = {
        {&MainForm::RGBImage01_Click, 50, 1}, {&MainForm::RGBImage02_Click, 41, 2},
        {&MainForm::RGBImage03_Click, 33, 3}, {&MainForm::RGBImage04_Click, 25, 4},
        {&MainForm::RGBImage05_Click, 17, 5}, {&MainForm::RGBImage06_Click, 9, 6},
        {&MainForm::RGBImage07_Click, 0, 7},
    };
    for (const Case& c : cases) {
        (form.get()->*c.click)();
        EXPECT_EQ(C().RGBSlider.position, c.position);
        EXPECT_EQ(HighlightedPreset(), c.preset);
    }
    // 0 is never stored: the last stored strength is the 9 of RGBImage06.
    EXPECT_EQ(Stored("SetHuYanValue"), "9");
}

TEST_F(TintTest, SliderPositionsBetweenPresetsHighlightTheirBand) {
    Start();
    const std::pair<int, int> cases[] = {{30, 3}, {44, 2}, {45, 1}, {4, 7}, {5, 6}, {28, 4}};
    for (const auto& [position, preset] : cases) {
        form->RGBSlider_Scroll(position);
        EXPECT_EQ(HighlightedPreset(), preset) << position;
    }
    form->RGBSlider_Scroll(80);  // out of range is held at the end
    EXPECT_EQ(C().RGBSlider.position, 50);
}

TEST_F(TintTest, ClickingTheCurrentPresetLoadsAndStoresNothing) {
    Put("ZNHY", "0");
    Start();
    form->RGBImage03_Click();
    const int loads = gamma.loadCount;
    registry.PutString(HKEY_CURRENT_USER_ROOT, kQuorvexKey, "SetHuYanValue", "marker");
    recordingRegistry.log = &log;
    form->RGBImage03_Click();
    form->SetSliderPosition(33);
    EXPECT_EQ(gamma.loadCount, loads);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(Stored("SetHuYanValue"), "marker");
}

TEST_F(TintTest, StartupWithSmartOffTakesTheStoredStrength) {
    struct Case {
        const char* stored;  // nullptr: missing
        int position;
        int preset;  // 0: no overlay shown (position 0 runs no change handler)
        int loads;
    };
    const Case cases[] = {
        {"25", 25, 4, 1}, {"-25", 25, 4, 1},  {"33.5", 34, 3, 1}, {"abc", 0, 0, 0},
        {"77", 0, 0, 0},  {nullptr, 0, 0, 0}, {"", 0, 0, 0},
    };
    for (const Case& c : cases) {
        ClearSettings();
        Put("ZNHY", "0");
        if (c.stored != nullptr) {
            Put("SetHuYanValue", c.stored);
        }
        gamma = tint::fakes::FakeGammaDisplay{};
        Start();
        EXPECT_EQ(C().RGBSlider.position, c.position) << c.stored;
        EXPECT_EQ(HighlightedPreset(), c.preset) << c.stored;
        EXPECT_EQ(gamma.loadCount, c.loads) << c.stored;
        EXPECT_TRUE(C().ZNHY.visible);
        EXPECT_FALSE(C().ZNHY_XUAN.visible);
    }
}

TEST_F(TintTest, SmartModeFollowsTheHour) {
    struct Case {
        int hour, minute;
        int position;
    };
    const Case cases[] = {{6, 59, 33}, {7, 0, 17}, {16, 59, 17},
                          {17, 0, 33}, {0, 0, 33}, {23, 59, 33}};
    for (const Case& c : cases) {
        clock.now.hour = c.hour;
        clock.now.minute = c.minute;
        // The schedule reads the wall clock (here in a zone at UTC).
        wallClock.utcNow = fakes::FakeWallClock::Seconds({2026, 12, 10, c.hour, c.minute, 0});
        // At start-up, with the stored strength left alone.
        ClearSettings();
        Put("SetHuYanValue", "41");
        Start();
        EXPECT_EQ(C().RGBSlider.position, c.position);
        EXPECT_TRUE(C().ZNHY_XUAN.visible);
        EXPECT_FALSE(C().ZNHY.visible);
        EXPECT_EQ(Stored("SetHuYanValue"), "41");
        // And when switched on.
        form->ZNHY_XUAN_Click();
        EXPECT_EQ(C().RGBSlider.position, 41);
        form->ZNHY_Click();
        EXPECT_EQ(C().RGBSlider.position, c.position);
        EXPECT_EQ(Stored("SetHuYanValue"), "41");
        EXPECT_EQ(Stored("ZNHY"), "1");
    }
}

TEST_F(TintTest, SmartOnDoesNotReadTheStoredStrength) {
    Put("SetHuYanValue", "41");
    recordingRegistry.log = &log;
    Start();
    EXPECT_EQ(std::count(log.entries.begin(), log.entries.end(), "reg read SetHuYanValue"), 0);
}

TEST_F(TintTest, SwitchingSmartOffReturnsToTheStoredStrengthAndStoresItAgain) {
    Put("SetHuYanValue", "41");
    Start();
    recordingRegistry.log = &log;
    form->ZNHY_XUAN_Click();
    EXPECT_EQ(C().RGBSlider.position, 41);
    EXPECT_EQ(HighlightedPreset(), 2);
    EXPECT_EQ(form->ZNHYSwitch(), 0);
    EXPECT_EQ(Stored("ZNHY"), "0");
    const std::vector<std::string> expected = {"reg read SetHuYanValue", "reg write SetHuYanValue",
                                               "reg write ZNHY", "reg write PLTX",
                                               "reg write KJQD"};
    EXPECT_EQ(log.entries, expected);
    EXPECT_EQ(Stored("SetHuYanValue"), "41");
    // Smart mode on: the user's own positions apply but are not stored.
    form->ZNHY_Click();
    form->RGBSlider_Scroll(12);
    EXPECT_EQ(Stored("SetHuYanValue"), "41");
    EXPECT_EQ(C().RGBSlider.position, 12);
}

}  // namespace
}  // namespace qvx::app
