// The schedule's stored texts: what each reads as, and the default for what is missing,
// malformed or out of range.

#include <map>

#include <gtest/gtest.h>

#include "app/schedule_settings.h"

namespace qvx::app {
namespace {

TEST(ScheduleSettingsTest, TextsReadAsTheirValues) {
    const std::pair<const char*, std::optional<int>> times[] = {
        {"07:00", 420},           {"7:05", 425},
        {" 23:59 ", 1439},        {"00:00", 0},
        {"24:00", std::nullopt},  {"12:60", std::nullopt},
        {"7", std::nullopt},      {"07:0", std::nullopt},
        {"123:00", std::nullopt}, {"-1:00", std::nullopt},
        {"", std::nullopt}};
    for (const auto& [text, minutes] : times) {
        EXPECT_EQ(ParseClockTime(text), minutes) << text;
    }
    EXPECT_EQ(FormatClockTime(425), "07:05");

    const std::pair<const char*, std::optional<double>> degrees[] = {
        {"39.9042", 39.9042},    {"-33.8688", -33.8688},    {"+5", 5.0},
        {" 90 ", 90.0},          {"90.0001", std::nullopt}, {"1e2", std::nullopt},
        {"1.2.3", std::nullopt}, {"-", std::nullopt},       {".", std::nullopt},
        {"", std::nullopt}};
    for (const auto& [text, value] : degrees) {
        const std::optional<double> parsed = ParseDegrees(text, 90.0);
        ASSERT_EQ(parsed.has_value(), value.has_value()) << text;
        if (value) {
            EXPECT_NEAR(*parsed, *value, 1e-9) << text;
        }
    }
    EXPECT_EQ(FormatDegrees(39.90420), "39.9042");
    EXPECT_EQ(FormatDegrees(-78.5), "-78.5");
    EXPECT_EQ(FormatDegrees(-0.00001), "0");

    EXPECT_TRUE(ParseLocation("-0.1807", "-78.4678"));
    EXPECT_FALSE(ParseLocation("0", "0"));  // the lost location of other programs, never ours
    EXPECT_FALSE(ParseLocation("39.9", ""));
    EXPECT_FALSE(ParseLocation("39.9", "180.5"));
    EXPECT_EQ(ParseWholeNumber("180", 0, 180), 180);
    EXPECT_EQ(ParseWholeNumber("181", 0, 180), std::nullopt);
    EXPECT_EQ(ParseWholeNumber("4.5", 0, 180), std::nullopt);
}

TEST(ScheduleSettingsTest, MissingOrUnusableValuesReadAsDefaults) {
    struct Case {
        std::map<std::string, std::string> stored;
        ScheduleSettings expected;
    };
    const ScheduleSettings defaults;
    ScheduleSettings sun = defaults;
    sun.kind = ScheduleKind::Sun;
    sun.location = Location{45.8038, 126.535};
    sun.place = "哈尔滨";
    sun.transitionMinutes = 0;
    sun.strengths = {20, 50};
    ScheduleSettings sunWithoutPlace = defaults;
    sunWithoutPlace.kind = ScheduleKind::Sun;
    const Case cases[] = {
        {{}, defaults},
        {{{"Schedule", "Sun"},
          {"DayStart", "7:00am"},
          {"NightStart", "17"},
          {"TransitionMinutes", "-5"},
          {"DayStrength", "51"},
          {"NightStrength", ""}},
         defaults},
        {{{"DayStart", "17:00"}}, defaults},  // one moment cannot begin both
        {{{"Schedule", " sun "},
          {"Latitude", "45.8038"},
          {"Longitude", "126.535"},
          {"Place", "哈尔滨"},
          {"TransitionMinutes", "0"},
          {"DayStrength", "20"},
          {"NightStrength", "50"}},
         sun},
        {{{"Schedule", "sun"}, {"Latitude", "45.8"}}, sunWithoutPlace},
    };
    for (const Case& c : cases) {
        const ScheduleSettings loaded =
            LoadScheduleSettings([&c](const std::string& name) -> std::optional<std::string> {
                const auto it = c.stored.find(name);
                return it == c.stored.end() ? std::nullopt : std::optional(it->second);
            });
        EXPECT_EQ(loaded, c.expected);
    }
    EXPECT_TRUE(sunWithoutPlace.SunWithoutPlace());
    EXPECT_FALSE(sunWithoutPlace.FollowsSun());
}

}  // namespace
}  // namespace qvx::app
