// The smart mode's schedule while the program runs, on a fake wall clock: time to position
// across changes, gradual transitions, a user's choice that holds, start-up inside a
// transition, daylight saving, clock jumps, a time zone change, sleep, midnight inside a
// transition, the sun's schedule with its polar days, the main window's line and the settings.

#include <string>
#include <vector>

#include "tests/unit/app/main_form_fixture.h"
#include "tint/sun_times.h"

namespace qvx::app {
namespace {

using fakes::FakeWallClock;

constexpr std::int64_t kMinute = 60;
constexpr std::int64_t kHour = 3600;

class ScheduleTestBase : public MainFormFixture {
protected:
    // A local time on the fake clock's zone, as UTC.
    std::int64_t Local(int year, int month, int day, int hour, int minute, int second = 0) {
        return wallClock.FromLocal({year, month, day, hour, minute, second});
    }
    // The wall clock set to a moment, then one session tick.
    int At(std::int64_t utc) {
        wallClock.utcNow = utc;
        Tick();
        return C().RGBSlider.position;
    }
    std::string Line() const { return C().ScheduleNotice.visible ? C().ScheduleNotice.text : ""; }
};

using ScheduleTest = ScheduleTestBase;

struct Step {
    int hour, minute, second;
    int position;
};

TEST_F(ScheduleTest, MovesFromDayToNightAndBackWithoutRestart) {
    Put("SetHuYanValue", "41");
    wallClock.utcNow = Local(2026, 12, 10, 16, 50);
    Start();
    EXPECT_EQ(C().RGBSlider.position, 17);
    EXPECT_EQ(Line(), "17:00 起渐变至 33");
    // Defaults: night from 17:00, 16 steps of 150 s over 40 minutes; day from 07:00.
    const Step evening[] = {{16, 59, 59, 17}, {17, 0, 0, 18},   {17, 2, 29, 18}, {17, 2, 30, 19},
                            {17, 20, 0, 26},  {17, 37, 30, 33}, {17, 40, 0, 33}, {23, 0, 0, 33}};
    for (const Step& s : evening) {
        EXPECT_EQ(At(Local(2026, 12, 10, s.hour, s.minute, s.second)), s.position)
            << s.hour << ":" << s.minute << ":" << s.second;
    }
    EXPECT_EQ(Line(), "明天 07:00 起渐变至 17");
    const Step morning[] = {{6, 59, 59, 33}, {7, 0, 0, 32}, {7, 20, 0, 24}, {7, 40, 0, 17}};
    for (const Step& s : morning) {
        EXPECT_EQ(At(Local(2026, 12, 11, s.hour, s.minute, s.second)), s.position)
            << s.hour << ":" << s.minute;
    }
    EXPECT_EQ(Line(), "17:00 起渐变至 33");
    // Every position was applied (the ramp follows), none stored.
    tint::TintEngine reference;
    tint::fakes::FakeGammaDisplay referenceDisplay;
    reference.InitBaseRamp();
    reference.ApplyPosition(17, referenceDisplay);
    EXPECT_EQ(gamma.lastRamp, referenceDisplay.lastRamp);
    EXPECT_EQ(Stored("SetHuYanValue"), "41");
}

TEST_F(ScheduleTest, SettingsShapeTheChanges) {
    struct Case {
        const char* name;
        std::vector<std::pair<const char*, const char*>> stored;
        int startHour, startMinute;  // 2026-12-10, local
        std::vector<Step> steps;     // the same day
        const char* line;            // at the last step
    };
    const Case cases[] = {
        {"0 minutes switch at once",
         {{"TransitionMinutes", "0"}},
         16,
         0,
         {{16, 59, 59, 17}, {17, 0, 0, 33}},
         "明天 07:00 切换至 17"},
        {"own times and strengths",
         {{"DayStart", "8:30"},
          {"NightStart", "21:15"},
          {"DayStrength", "5"},
          {"NightStrength", "45"},
          {"TransitionMinutes", "10"}},
         8,
         0,
         {{8, 29, 0, 45}, {8, 30, 0, 44}, {8, 40, 0, 5}, {21, 15, 0, 6}, {21, 25, 0, 45}},
         "明天 08:30 起渐变至 5"},
        {"malformed values fall back to their defaults",
         {{"DayStart", "7"},
          {"NightStart", "25:00"},
          {"TransitionMinutes", "181"},
          {"DayStrength", "x"},
          {"NightStrength", "-3"},
          {"Schedule", "moon"}},
         16,
         0,
         {{16, 59, 0, 17}, {17, 0, 0, 18}, {17, 40, 0, 33}},
         "明天 07:00 起渐变至 17"},
        {"sun without a place follows the clock",
         {{"Schedule", "sun"}, {"Latitude", "0"}, {"Longitude", "0"}, {"TransitionMinutes", "0"}},
         16,
         0,
         {{17, 0, 0, 33}},
         "明天 07:00 切换至 17"},
        {"a night that begins before midnight and ends after it",
         {{"DayStart", "09:00"}, {"NightStart", "23:50"}},
         23,
         0,
         {{23, 50, 0, 18}, {23, 59, 59, 21}},
         "09:00 起渐变至 17"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearSettings();
        for (const auto& [name, text] : c.stored) {
            Put(name, text);
        }
        wallClock.utcNow = Local(2026, 12, 10, c.startHour, c.startMinute);
        Start();
        for (const Step& s : c.steps) {
            EXPECT_EQ(At(Local(2026, 12, 10, s.hour, s.minute, s.second)), s.position)
                << s.hour << ":" << s.minute;
        }
        if (std::string(c.name).starts_with("a night")) {
            // Midnight inside the transition: it goes on on the next date.
            EXPECT_EQ(At(Local(2026, 12, 11, 0, 10)), 26);
            EXPECT_EQ(At(Local(2026, 12, 11, 0, 30)), 33);
        }
        EXPECT_EQ(Line(), c.line);
    }
}

TEST_F(ScheduleTest, StartInsideATransitionTakesThePhaseWithoutAFade) {
    // With the defaults, start-up and the switch give the classic rule's 17 or 33 at once.
    wallClock.utcNow = Local(2026, 12, 10, 17, 10);
    Start();
    EXPECT_EQ(C().RGBSlider.position, 33);
    const int loads = gamma.loadCount;
    EXPECT_EQ(At(Local(2026, 12, 10, 17, 11)), 33);
    EXPECT_EQ(At(Local(2026, 12, 10, 17, 39)), 33);
    EXPECT_EQ(gamma.loadCount - loads, 2);  // the tick's refreshes only, no step
    form->ZNHY_XUAN_Click();
    EXPECT_EQ(Line(), "");
    wallClock.utcNow = Local(2026, 12, 11, 7, 5);
    form->ZNHY_Click();
    EXPECT_EQ(C().RGBSlider.position, 17);
    EXPECT_EQ(At(Local(2026, 12, 11, 7, 6)), 17);
}

TEST_F(ScheduleTest, AUserChoiceHoldsUntilTheNextChangeBegins) {
    wallClock.utcNow = Local(2026, 12, 10, 16, 0);
    Start();
    wallClock.utcNow = Local(2026, 12, 10, 16, 10);
    form->RGBSlider_Scroll(25);
    EXPECT_TRUE(form->ScheduleHeld());
    EXPECT_EQ(At(Local(2026, 12, 10, 16, 59, 59)), 25);
    // The change begins: from the choice towards the night, 8 steps over the 40 minutes.
    EXPECT_EQ(At(Local(2026, 12, 10, 17, 0)), 26);
    EXPECT_FALSE(form->ScheduleHeld());
    EXPECT_EQ(At(Local(2026, 12, 10, 17, 5)), 27);
    EXPECT_EQ(At(Local(2026, 12, 10, 17, 40)), 33);
    // A preset inside the morning's transition holds it too, through the day, until the
    // night's change begins.
    EXPECT_EQ(At(Local(2026, 12, 11, 7, 10)), 28);
    form->RGBImage02_Click();
    for (const auto& [hour, minute] : {std::pair{7, 20}, {12, 0}, {16, 59}}) {
        EXPECT_EQ(At(Local(2026, 12, 11, hour, minute)), 41) << hour;
    }
    EXPECT_EQ(At(Local(2026, 12, 11, 17, 0)), 40);  // from 41 towards 33
    EXPECT_EQ(At(Local(2026, 12, 11, 17, 40)), 33);
    // A hotkey is a choice as well: held through the night.
    form->HotkeyPressed(MainForm::kHotkeyCooler);
    EXPECT_EQ(C().RGBSlider.position, 25);
    EXPECT_TRUE(form->ScheduleHeld());
    EXPECT_EQ(At(Local(2026, 12, 12, 6, 59)), 25);
    EXPECT_EQ(At(Local(2026, 12, 12, 7, 0)), 24);
}

TEST_F(ScheduleTest, ClockJumpsSleepAndAZoneChangeGiveTheRightPosition) {
    wallClock.utcNow = Local(2026, 12, 10, 12, 0);
    Start();
    struct Case {
        const char* what;
        std::int64_t to;
        int position;
    };
    const Case cases[] = {
        {"asleep across the change, woken inside it", Local(2026, 12, 10, 17, 10), 22},
        {"set forward past the transition", Local(2026, 12, 10, 20, 0), 33},
        {"set back into the afternoon", Local(2026, 12, 10, 15, 0), 17},
        {"set back a day into the night", Local(2026, 12, 9, 23, 0), 33},
        {"forward again into the morning's change", Local(2026, 12, 10, 7, 20), 24},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(At(c.to), c.position) << c.what;
    }
    // The time zone moves an hour east while running: 16:30 UTC is now 17:30 local, half way
    // through the change that began at 17:00 local.
    At(Local(2026, 12, 10, 16, 30));
    EXPECT_EQ(C().RGBSlider.position, 17);
    wallClock.baseOffsetSeconds = kHour;
    EXPECT_EQ(At(wallClock.utcNow + 1), 30);
    EXPECT_EQ(Line(), "明天 07:00 起渐变至 17");
}

TEST_F(ScheduleTest, DaylightSavingMovesTheUtcMomentsNotTheLocalOnes) {
    // Central Europe: UTC+1, UTC+2 from 2026-03-29 01:00 UTC, back to UTC+1 on 2026-10-25.
    wallClock.baseOffsetSeconds = kHour;
    wallClock.transitions = {{1774746000, 2 * kHour}, {1792890000, kHour}};
    Put("TransitionMinutes", "0");
    wallClock.utcNow = Local(2026, 3, 28, 23, 0);
    Start();
    EXPECT_EQ(C().RGBSlider.position, 33);
    EXPECT_EQ(Line(), "明天 07:00 切换至 17");
    // 07:00 on the new offset is 05:00 UTC.
    EXPECT_EQ(At(1774760400 - 1), 33);
    EXPECT_EQ(At(1774760400), 17);
    EXPECT_EQ(Line(), "17:00 切换至 33");
    // A day start skipped by the change (02:30 that night) comes when the clock jumps.
    ClearSettings();
    Put("TransitionMinutes", "0");
    Put("DayStart", "02:30");
    wallClock.utcNow = Local(2026, 3, 28, 23, 0);
    Start();
    EXPECT_EQ(At(1774746000 - 1), 33);
    EXPECT_EQ(At(1774746000), 17);
    // In autumn the day start 02:30 comes at its first showing.
    wallClock.utcNow = 1792886400 - kHour;  // 2026-10-25 01:00 local (UTC+2)
    Tick();
    EXPECT_EQ(At(Local(2026, 10, 25, 2, 30) - 1), 33);
    EXPECT_EQ(At(Local(2026, 10, 25, 2, 30)), 17);
}

TEST_F(ScheduleTest, SunScheduleAtItsPlaceWithPolarDays) {
    // Beijing at the June solstice, in its own zone (UTC+8): the almanac's sunset is
    // 11:46:18 UTC, 19:46 local.
    wallClock.baseOffsetSeconds = 8 * kHour;
    Put("Schedule", "sun");
    Put("Latitude", "39.9042");
    Put("Longitude", "116.4074");
    Put("TransitionMinutes", "0");
    wallClock.utcNow = 1782042378 - kHour;
    Start();
    EXPECT_EQ(C().RGBSlider.position, 17);
    EXPECT_EQ(Line(), "日落 19:46 切换至 33");
    EXPECT_EQ(At(1782042378 - 60), 17);
    EXPECT_EQ(At(1782042378 + 60), 33);
    EXPECT_EQ(Line().substr(0, 17), "明天日出 04:4");  // sunrise about 04:46
    // Tromsø: the midnight sun in June, the polar night in December, in its zone (UTC+2/+1).
    ClearSettings();
    Put("Schedule", "sun");
    Put("Latitude", "69.6492");
    Put("Longitude", "18.9553");
    wallClock.baseOffsetSeconds = 2 * kHour;
    wallClock.utcNow = 1782043200 + 10 * kHour;  // 2026-06-21 22:00 UTC
    Start();
    EXPECT_EQ(C().RGBSlider.position, 17);
    EXPECT_EQ(Line(), "极昼：全天 17");
    wallClock.baseOffsetSeconds = kHour;
    wallClock.utcNow = 1797854400;  // 2026-12-21 12:00 UTC
    Start();
    EXPECT_EQ(C().RGBSlider.position, 33);
    EXPECT_EQ(Line(), "极夜：全天 33");
}

TEST_F(ScheduleTest, TheLineGivesWayToThePauseAndToTheRefusalNotice) {
    wallClock.utcNow = Local(2026, 12, 10, 12, 0);
    Start();
    EXPECT_EQ(Line(), "17:00 起渐变至 33");
    form->PauseForHour();
    EXPECT_FALSE(C().ScheduleNotice.visible);
    EXPECT_TRUE(C().PauseNotice.visible);
    form->ResumeTint();
    Tick();
    EXPECT_EQ(Line(), "17:00 起渐变至 33");
    gamma.refuse = true;
    Ticks(3);
    EXPECT_TRUE(C().GammaNotice.visible);
    EXPECT_FALSE(C().ScheduleNotice.visible);
    gamma.refuse = false;
    Ticks(2);
    EXPECT_EQ(Line(), "17:00 起渐变至 33");
    // Smart mode off: no line, and the schedule moves nothing.
    form->ZNHY_XUAN_Click();
    EXPECT_EQ(At(Local(2026, 12, 10, 17, 30)), 0);
    EXPECT_EQ(Line(), "");
}

TEST_F(ScheduleTest, PauseUntilMorningEndsAtTheScheduleDayStart) {
    Put("DayStart", "08:30");
    wallClock.utcNow = Local(2026, 12, 10, 22, 0);
    Start();
    form->PauseUntilMorning();
    EXPECT_EQ(form->PauseEnd(), Local(2026, 12, 11, 8, 30));
    form->ResumeTint();
    // By day, the day start after the coming night.
    wallClock.utcNow = Local(2026, 12, 11, 10, 0);
    form->PauseUntilMorning();
    EXPECT_EQ(form->PauseEnd(), Local(2026, 12, 12, 8, 30));
}

TEST_F(ScheduleTest, SettingsWindowChangesApplyAndStoreAtOnce) {
    Put("SetHuYanValue", "41");
    wallClock.utcNow = Local(2026, 12, 10, 16, 30);
    Start();
    form->SetNightStart(16 * 60);
    EXPECT_EQ(Stored("NightStart"), "16:00");
    EXPECT_EQ(C().RGBSlider.position, 33);  // a setting is a choice: at once, no fade
    form->SetNightStrength(45);
    EXPECT_EQ(Stored("NightStrength"), "45");
    EXPECT_EQ(C().RGBSlider.position, 45);
    form->SetDayStart(16 * 60);  // the night's moment: refused, nothing stored
    EXPECT_EQ(Stored("DayStart"), std::nullopt);
    form->SetTransitionMinutes(0);
    EXPECT_EQ(Stored("TransitionMinutes"), "0");
    form->SetTransitionMinutes(181);
    EXPECT_EQ(Stored("TransitionMinutes"), "0");
    form->SetDayStrength(9);
    EXPECT_EQ(Stored("DayStrength"), "9");
    form->SetLocation({0, 0}, "Null Island");  // never 0,0
    EXPECT_EQ(Stored("Latitude"), std::nullopt);
    form->SetLocation({-33.8688, 151.2093}, "Sydney");
    EXPECT_EQ(Stored("Latitude"), "-33.8688");
    EXPECT_EQ(Stored("Longitude"), "151.2093");
    EXPECT_EQ(Stored("Place"), "Sydney");
    form->SetScheduleKind(ScheduleKind::Sun);
    EXPECT_EQ(Stored("Schedule"), "sun");
    EXPECT_TRUE(form->Schedule().FollowsSun());
    EXPECT_EQ(Stored("SetHuYanValue"), "41");
    // A restart reads back what was stored.
    Start();
    EXPECT_EQ(form->Schedule().nightStart, 16 * 60);
    EXPECT_EQ(form->Schedule().strengths.night, 45);
    EXPECT_EQ(form->Schedule().strengths.day, 9);
    EXPECT_EQ(form->Schedule().transitionMinutes, 0);
    EXPECT_EQ(form->Schedule().place, "Sydney");
}

}  // namespace
}  // namespace qvx::app

namespace qvx::app {
namespace {

using SettingsScheduleTest = ScheduleTestBase;

TEST_F(SettingsScheduleTest, SearchChoosesAPlaceAndFollowsTheSunThere) {
    wallClock.utcNow = Local(2026, 12, 10, 12, 0);
    Start();
    SettingsForm& s = form->Settings();
    s.Show();
    EXPECT_TRUE(s.ClockOptionOn.visible);
    s.FieldEdited(SettingsForm::kSearch, "harb");
    ASSERT_FALSE(s.Found().empty());
    EXPECT_EQ(s.PlaceNames[0].text, "哈尔滨");
    EXPECT_TRUE(s.PlaceRows[0].visible);
    // A click on the row (through the form's own hit test).
    const TwipRect row = s.PlaceRows[0].rect;
    EXPECT_TRUE(s.ClickAt(row.left + 30, row.top + 10));
    EXPECT_EQ(Stored("Place"), "哈尔滨");
    EXPECT_EQ(Stored("Latitude"), "45.75");
    EXPECT_EQ(Stored("Schedule"), "sun");
    EXPECT_TRUE(s.SunOptionOn.visible);
    EXPECT_EQ(s.Fields[SettingsForm::kSearch].text, "");
    EXPECT_FALSE(s.PlaceRows[0].visible);
    EXPECT_EQ(s.PlaceState.text, "地点：哈尔滨（45.75, 126.65）");
    // 12:00 UTC is 20:00 in Harbin: the sun has set there, sunrise comes next.
    EXPECT_NE(Line().find("日出"), std::string::npos) << Line();
    // Typed coordinates, taken with Enter.
    s.FieldEdited(SettingsForm::kSearch, "64.15, -21.94");
    s.FieldCommitted(SettingsForm::kSearch);
    EXPECT_EQ(Stored("Latitude"), "64.15");
    EXPECT_EQ(Stored("Place"), "64.15, -21.94");
}

TEST_F(SettingsScheduleTest, FieldsApplyWhatTheyHoldOrShowTheValueInForce) {
    wallClock.utcNow = Local(2026, 12, 10, 12, 0);
    Start();
    SettingsForm& s = form->Settings();
    s.Show();
    EXPECT_EQ(s.Fields[SettingsForm::kDayStart].text, "07:00");
    EXPECT_EQ(s.Fields[SettingsForm::kTransition].text, "40");
    struct Case {
        SettingsForm::Field field;
        const char* typed;
        const char* shown;  // after Enter
        const char* name;   // the value stored, if any
        std::optional<std::string> stored;
    };
    const Case cases[] = {
        {SettingsForm::kNightStart, "11:30", "11:30", "NightStart", "11:30"},
        {SettingsForm::kDayStart, "25:00", "07:00", "DayStart", std::nullopt},
        {SettingsForm::kDayStart, "11:30", "07:00", "DayStart", std::nullopt},  // the night's
        {SettingsForm::kTransition, "15", "15", "TransitionMinutes", "15"},
        {SettingsForm::kTransition, "500", "15", "TransitionMinutes", "15"},
        {SettingsForm::kNightStrength, "41", "41", "NightStrength", "41"},
        {SettingsForm::kDayStrength, "-1", "17", "DayStrength", std::nullopt},
    };
    for (const Case& c : cases) {
        s.FieldEdited(c.field, c.typed);
        s.FieldCommitted(c.field);
        EXPECT_EQ(s.Fields[c.field].text, c.shown) << c.typed;
        EXPECT_EQ(Stored(c.name), c.stored) << c.typed;
    }
    // 12:00 is night now (from 11:30), at the night's strength at once.
    EXPECT_EQ(C().RGBSlider.position, 41);
    // "sun" with no place: the notice, and the clock goes on.
    s.ClickAt(s.SunOption.rect.left + 10, s.SunOption.rect.top + 10);
    EXPECT_EQ(Stored("Schedule"), "sun");
    EXPECT_EQ(s.SunFallback.text, "按日出日落需要有效的地点，现按时钟时间表");
    // Latitude alone waits for the longitude; both make the place.
    s.FieldEdited(SettingsForm::kLatitude, "-33.87");
    s.FieldCommitted(SettingsForm::kLatitude);
    EXPECT_EQ(s.Fields[SettingsForm::kLatitude].text, "-33.87");
    s.FieldEdited(SettingsForm::kLongitude, "151.21");
    s.FieldCommitted(SettingsForm::kLongitude);
    EXPECT_EQ(Stored("Longitude"), "151.21");
    EXPECT_EQ(s.SunFallback.text, "");
    EXPECT_EQ(s.PlaceState.text, "地点：（坐标）（-33.87, 151.21）");
}

TEST_F(SettingsScheduleTest, EveryControlFitsTheWindowWithinAWorkAreaOf1024By768) {
    Start();
    const SettingsForm& s = form->Settings();
    EXPECT_LE(SettingsForm::kClientWidthTwips / 15, 1000);
    EXPECT_LE(SettingsForm::kClientHeightTwips / 15, 720);
    auto inside = [](const TwipRect& r) {
        return r.left >= 0 && r.top >= 0 && r.left + r.width <= SettingsForm::kClientWidthTwips &&
               r.top + r.height <= SettingsForm::kClientHeightTwips;
    };
    for (const ImageControl* image : s.Images()) {
        EXPECT_TRUE(inside(image->rect)) << image->rect.left << "," << image->rect.top;
    }
    for (const LabelControl* label : s.Labels()) {
        EXPECT_TRUE(inside(label->rect)) << label->text;
    }
    // Each field lies in its own box, and the boxes do not overlap.
    for (std::size_t i = 0; i < SettingsForm::kFieldCount; ++i) {
        const TwipRect& f = s.Fields[i].rect;
        const TwipRect& b = s.FieldBoxes[i].rect;
        EXPECT_TRUE(f.left > b.left && f.top > b.top && f.left + f.width < b.left + b.width &&
                    f.top + f.height < b.top + b.height)
            << i;
        for (std::size_t j = i + 1; j < SettingsForm::kFieldCount; ++j) {
            const TwipRect& o = s.FieldBoxes[j].rect;
            EXPECT_FALSE(b.left < o.left + o.width && o.left < b.left + b.width &&
                         b.top < o.top + o.height && o.top < b.top + b.height)
                << i << " " << j;
        }
    }
}

}  // namespace
}  // namespace qvx::app
