// The activity check, the rest countdown and the reminder pop-up, driven through the clock and
// the idle clock one session tick at a time.

#include <string>

#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app {
namespace {

using ReminderTest = MainFormFixture;

constexpr std::uint32_t kMinute = 60 * 1000;

TEST_F(ReminderTest, FortyFiveActiveMinutesShowThePopUpOnce) {
    Start();
    Ticks(2699);
    EXPECT_EQ(form->RestCountdown(), 1);
    EXPECT_EQ(C().PLSYSJ.text, "1");
    EXPECT_FALSE(form->Reminder().Loaded());
    Tick();
    EXPECT_TRUE(form->Reminder().Visible());
    EXPECT_TRUE(form->Reminder().Loaded());
    EXPECT_EQ(form->Reminder().ShowCount(), 1);
    EXPECT_EQ(form->RestCountdown(), 45);
    EXPECT_EQ(C().PLSYSJ.text, "0");  // 45 shows from the next active tick on
    Tick();
    EXPECT_EQ(C().PLSYSJ.text, "45");
    form->Reminder().Image3_Click();
    EXPECT_FALSE(form->Reminder().Visible());
    EXPECT_EQ(form->PLTXSwitch(), 1);  // closing only
    Ticks(2698);
    EXPECT_EQ(form->Reminder().ShowCount(), 1);
    EXPECT_EQ(form->RestCountdown(), 1);
}

TEST_F(ReminderTest, IdleThresholdsAreStrict) {
    struct Case {
        std::uint32_t idleMs;
        std::int16_t active;
        bool stretchEnds;
        bool countdownRestarts;
    };
    const Case cases[] = {
        {0, 1, false, false},
        {2 * kMinute, 1, false, false},  // exactly 2 minutes still counts as use
        {2 * kMinute + 1, 0, false, false},
        {150 * 1000, 0, false, false},  // 2.5 minutes: frozen
        {3 * kMinute, 0, false, false},
        {210 * 1000, 0, true, false},  // 3.5 minutes: the stretch ends
        {4 * kMinute, 0, true, false},
        {5 * kMinute, 0, true, false},
        {5 * kMinute + 1, 0, true, true},
        {6 * kMinute, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.idleMs);
        ClearSettings();
        Start();
        Ticks(120);  // two active minutes: countdown 43, stretch 120 s
        ASSERT_EQ(form->RestCountdown(), 43);
        const std::int32_t ljsy = form->LJSYSeconds();
        const std::int32_t zdsc = form->ZDSCSeconds();
        Tick(c.idleMs);
        EXPECT_EQ(form->ActiveFlag(), c.active);
        EXPECT_EQ(form->LJSYSeconds(), ljsy + c.active);
        EXPECT_EQ(form->BCSCSeconds(), c.stretchEnds ? 0 : 120 + c.active);
        EXPECT_EQ(C().BCSC.text, c.stretchEnds ? "00:00:00" : c.active ? "00:02:01" : "00:02:00");
        EXPECT_EQ(form->ZDSCSeconds(), zdsc + c.active);
        EXPECT_EQ(form->RestCountdown(), c.countdownRestarts ? 45 : 43);
        EXPECT_EQ(C().PLSYSJ.text, c.countdownRestarts ? "45" : "43");
        EXPECT_EQ(form->KJSCSeconds(), 121);  // the program's run time counts every tick
    }
}

TEST_F(ReminderTest, ABreakRestartsTheCountdownOnEveryTickOfIt) {
    Start();
    Ticks(600);
    EXPECT_EQ(form->RestCountdown(), 35);
    // A long break: the idle time grows a second per tick.
    for (std::uint32_t s = 1; s <= 7 * 60; ++s) {
        Tick(s * 1000);
    }
    EXPECT_EQ(form->RestCountdown(), 45);
    EXPECT_EQ(form->BCSCSeconds(), 0);
    EXPECT_EQ(form->ZDSCSeconds(), 600 + 120);  // two idle minutes still counted as use
    Tick();
    EXPECT_EQ(form->BCSCSeconds(), 1);
}

TEST_F(ReminderTest, FailingLastInputKeepsTheActiveFlag) {
    Start();
    Tick();
    idle.failLastInput = true;
    Ticks(3, 10 * kMinute);
    EXPECT_EQ(form->ActiveFlag(), 1);
    EXPECT_EQ(form->LJSYSeconds(), 4);
    idle.failLastInput = false;
    Tick(10 * kMinute);
    EXPECT_EQ(form->ActiveFlag(), 0);
    idle.failLastInput = true;
    Tick();
    EXPECT_EQ(form->ActiveFlag(), 0);
    EXPECT_EQ(form->LJSYSeconds(), 4);
}

TEST_F(ReminderTest, IdleTimeIsRightAcrossTheTickClockWrap) {
    Start();
    Ticks(10);
    // The tick clock passes 2^32 ms between the last input and now.
    idle.tick = 0xFFFFFFFFu - 30 * 1000;
    idle.lastInput = idle.tick;
    idle.Advance(31 * 1000 + 1000);  // now past the wrap, 32 s after the last input
    clock.Advance(1);
    form->SendInfoTimer_Timer();
    EXPECT_LT(idle.tick, idle.lastInput);
    EXPECT_EQ(form->ActiveFlag(), 1);
    EXPECT_EQ(form->LJSYSeconds(), 11);
    // Four minutes after that input: idle, not active, even though tick < lastInput.
    idle.Advance(4 * kMinute);
    clock.Advance(1);
    form->SendInfoTimer_Timer();
    EXPECT_EQ(form->ActiveFlag(), 0);
    EXPECT_EQ(form->BCSCSeconds(), 0);
}

TEST_F(ReminderTest, ReminderOffCountsBelowZeroAndOnBringsNoPopUpUntilABreak) {
    Put("PLTX", "0");
    Start();
    Ticks(47 * 60);
    EXPECT_EQ(form->RestCountdown(), -2);
    EXPECT_EQ(C().PLSYSJ.text, "-2");
    EXPECT_FALSE(form->Reminder().Loaded());
    form->PLTX_Click();
    EXPECT_EQ(form->RestCountdown(), -2);  // switching leaves the countdown alone
    Ticks(60 * 60);
    EXPECT_EQ(form->RestCountdown(), -62);
    EXPECT_FALSE(form->Reminder().Loaded());
    Tick(6 * kMinute);
    EXPECT_EQ(form->RestCountdown(), 45);
    EXPECT_EQ(C().PLSYSJ.text, "45");
    Ticks(45 * 60);
    EXPECT_TRUE(form->Reminder().Visible());
}

TEST_F(ReminderTest, APopUpLeftOpenStaysOpen) {
    Start();
    Ticks(2700);
    ASSERT_TRUE(form->Reminder().Visible());
    Ticks(2700);
    EXPECT_TRUE(form->Reminder().Visible());
    EXPECT_EQ(form->Reminder().ShowCount(), 2);
    EXPECT_EQ(form->RestCountdown(), 45);
}

TEST_F(ReminderTest, NeverAgainSwitchesTheReminderOffOnTheMainWindow) {
    Start();
    Ticks(2700);
    ASSERT_TRUE(form->Reminder().Visible());
    MsgForm& popUp = form->Reminder();
    // Clicks by position: Image2 at 3700, 5400 (2220 x 795).
    EXPECT_FALSE(popUp.ClickAt(100, 100));
    EXPECT_TRUE(popUp.ClickAt(3700 + 1000, 5400 + 400));
    EXPECT_FALSE(popUp.Visible());
    EXPECT_TRUE(popUp.Loaded());
    EXPECT_EQ(form->PLTXSwitch(), 0);
    EXPECT_EQ(Stored("PLTX"), "0");
    EXPECT_TRUE(C().PLTX.visible);
    EXPECT_FALSE(C().PLTX_XUAN.visible);
    EXPECT_FALSE(popUp.ClickAt(1370 + 10, 5400 + 10));  // hidden: takes no click
    Ticks(2700);
    EXPECT_FALSE(popUp.Visible());
    EXPECT_EQ(form->RestCountdown(), 0);
}

TEST_F(ReminderTest, CloseImageOnlyCloses) {
    Start();
    Ticks(2700);
    EXPECT_TRUE(form->Reminder().ClickAt(1370 + 10, 5400 + 10));
    EXPECT_FALSE(form->Reminder().Visible());
    EXPECT_EQ(form->PLTXSwitch(), 1);
    EXPECT_EQ(Stored("PLTX"), "1");
}

TEST_F(ReminderTest, HiddenWindowKeepsCounting) {
    Start();
    form->YinCangImage_Click();
    const int loads = gamma.loadCount;
    Ticks(2700);
    EXPECT_TRUE(form->Reminder().Visible());
    EXPECT_EQ(form->KJSCSeconds(), 2700);
    EXPECT_EQ(gamma.loadCount, loads + 2700);  // the ramp is reloaded every second
}

}  // namespace
}  // namespace qvx::app
