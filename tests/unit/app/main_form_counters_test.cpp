// The day's usage counters: restored at start-up, stored every 60 ticks, restarted at midnight,
// shown as a time of day.

#include <string>

#include "tests/unit/app/main_form_fixture.h"

namespace qvx::app {
namespace {

using CountersTest = MainFormFixture;

TEST_F(CountersTest, RestartOnTheSameDayContinuesFromTheStoredValues) {
    Start();
    Ticks(150);
    Tick(150 * 1000);  // idle for 2.5 minutes: use frozen, the stretch goes on
    Ticks(28);
    EXPECT_EQ(Stored("SetKJSCVlaue"), "120");  // stored at ticks 60 and 120
    EXPECT_EQ(Stored("SetLJSYVlaue"), "120");
    EXPECT_EQ(Stored("SetZDSCVlaue"), "120");
    EXPECT_EQ(form->SaveTickCounter(), 59);
    Tick();  // the 180th
    EXPECT_EQ(form->SaveTickCounter(), 0);
    EXPECT_EQ(Stored("SetKJSCVlaue"), "180");
    EXPECT_EQ(Stored("SetLJSYVlaue"), "179");
    EXPECT_EQ(Stored("SetZDSCVlaue"), "179");

    Ticks(30);
    Start();  // the newer copy on the same day: the last 30 seconds were not stored
    EXPECT_EQ(form->KJSCSeconds(), 180);
    EXPECT_EQ(form->LJSYSeconds(), 179);
    EXPECT_EQ(form->ZDSCSeconds(), 179);
    EXPECT_EQ(form->BCSCSeconds(), 0);
    Tick();
    EXPECT_EQ(C().KJSC.text, "00:03:01");
    EXPECT_EQ(C().LJSY.text, "00:03:00");
    EXPECT_EQ(C().BCSC.text, "00:00:01");
    EXPECT_EQ(C().ZDSC.text, "00:02:59");
}

TEST_F(CountersTest, SaveTickCounterStoresEveryMinuteInOrder) {
    Start();
    Ticks(59);
    recordingRegistry.log = &log;
    Tick();
    const std::vector<std::string> expected = {"reg write SetKJSCVlaue", "reg write SetLJSYVlaue",
                                               "reg write SetZDSCVlaue",
                                               "reg read SetNowDateVlaue"};
    EXPECT_EQ(log.entries, expected);
}

TEST_F(CountersTest, ANewDayStartsAtZeroAndWritesItsDateAtOnce) {
    Put("SetNowDateVlaue", "2026-12-09");
    Put("SetKJSCVlaue", "5000");
    Put("SetLJSYVlaue", "4000");
    Put("SetZDSCVlaue", "3000");
    Start();
    EXPECT_EQ(Stored("SetNowDateVlaue"), "2026-12-10");
    EXPECT_EQ(form->KJSCSeconds(), 0);
    EXPECT_EQ(form->LJSYSeconds(), 0);
    EXPECT_EQ(form->ZDSCSeconds(), 0);
    EXPECT_EQ(Stored("SetKJSCVlaue"), "5000");  // counters reach the registry at the next save
}

TEST_F(CountersTest, UnusableStoredCounterTextsStartFromZero) {
    struct Case {
        const char* stored;
        std::int32_t value;
    };
    const Case cases[] = {
        {"3600", 3600}, {" 42 ", 42},       {"", 0},      {"abc", 0},
        {"-5", 0},      {"99999999999", 0}, {"12abc", 0}, {"2147483647", 2147483647},
        {"1e3", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        Put("SetNowDateVlaue", Today());
        Put("SetKJSCVlaue", c.stored);
        Put("SetLJSYVlaue", c.stored);
        Put("SetZDSCVlaue", c.stored);
        Start();
        EXPECT_EQ(form->KJSCSeconds(), c.value);
        EXPECT_EQ(form->LJSYSeconds(), c.value);
        EXPECT_EQ(form->ZDSCSeconds(), c.value);
    }
}

TEST_F(CountersTest, MidnightRestartsTheDayButNotTheStretch) {
    clock.now.hour = 23;
    clock.now.minute = 58;
    clock.now.second = 0;
    Start();
    Ticks(119);  // up to 23:59:59
    EXPECT_EQ(form->ZDSCSeconds(), 119);
    Tick();  // 00:00:00 of the next day: counted, then rolled over
    EXPECT_EQ(Stored("SetNowDateVlaue"), "2026-12-11");
    EXPECT_EQ(form->KJSCSeconds(), 0);
    EXPECT_EQ(form->LJSYSeconds(), 0);
    EXPECT_EQ(form->ZDSCSeconds(), 0);
    EXPECT_EQ(form->BCSCSeconds(), 120);
    EXPECT_EQ(C().KJSC.text, "00:02:00");  // labels change at their next write
    Tick();
    EXPECT_EQ(form->BCSCSeconds(), 121);
    EXPECT_EQ(form->ZDSCSeconds(), 121);  // rises at once
    EXPECT_EQ(form->LJSYSeconds(), 1);
    EXPECT_EQ(C().KJSC.text, "00:00:01");
    EXPECT_EQ(C().ZDSC.text, "00:02:01");
    // Idle ticks after midnight change only the run time.
    Tick(10 * 60 * 1000);
    EXPECT_EQ(form->LJSYSeconds(), 1);
    EXPECT_EQ(form->KJSCSeconds(), 2);
}

TEST_F(CountersTest, ADateWrittenElsewhereRollsTheDayOver) {
    Start();
    Ticks(5);
    Put("SetNowDateVlaue", "1999-01-01");
    Tick();
    EXPECT_EQ(form->KJSCSeconds(), 0);
    EXPECT_EQ(Stored("SetNowDateVlaue"), Today());
}

TEST_F(CountersTest, CountersShowAsTheTimeOfDayTheyReach) {
    struct Case {
        std::int32_t stored;  // the tick adds one second
        const char* shown;
    };
    const Case cases[] = {
        {0, "00:00:01"},          {59, "00:01:00"},         {3599, "01:00:00"},
        {86398, "23:59:59"},      {86399, "00:00:00"},      {25 * 3600 - 1, "01:00:00"},
        {2147483646, "03:14:07"}, {2147483647, "03:14:07"},  // held at the top, never wrapped
    };
    for (const Case& c : cases) {
        Put("SetNowDateVlaue", Today());
        Put("SetKJSCVlaue", std::to_string(c.stored));
        Start();
        Tick(10 * 60 * 1000);
        EXPECT_EQ(C().KJSC.text, c.shown) << c.stored;
        EXPECT_GE(form->KJSCSeconds(), c.stored);
    }
}

}  // namespace
}  // namespace qvx::app
