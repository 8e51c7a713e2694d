#include "app/pause_time.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fakes/desktop_fakes.h"

namespace qvx::app {
namespace {

using fakes::FakeWallClock;

constexpr std::int64_t kHour = 3600;

// A UTC moment written as a date, by the fake's own arithmetic rather than the code under test.
std::int64_t Utc(int year, int month, int day, int hour, int minute, int second = 0) {
    return FakeWallClock::Seconds({year, month, day, hour, minute, second});
}

struct Zone {
    const char* name;
    std::int64_t baseOffset;
    std::vector<FakeWallClock::Transition> transitions;
};

// China: +08:00 all year.
Zone Beijing() {
    return {"Beijing", 8 * kHour, {}};
}

// India: +05:30 all year.
Zone Kolkata() {
    return {"Kolkata", 5 * kHour + 30 * 60, {}};
}

// US Eastern in 2026: -05:00, -04:00 from 8 March 02:00 local, -05:00 again from 1 November
// 02:00 local (so 01:00-01:59 occurs twice that night).
Zone NewYork() {
    return {"New York",
            -5 * kHour,
            {{Utc(2026, 3, 8, 7, 0), -4 * kHour}, {Utc(2026, 11, 1, 6, 0), -5 * kHour}}};
}

// A zone whose clocks jump from 07:00 to 08:00 on 29 March 2026 (+01:00 -> +02:00), so
// 07:00 local does not exist that morning.
Zone JumpAtSeven() {
    return {"jump at seven", 1 * kHour, {{Utc(2026, 3, 29, 6, 0), 2 * kHour}}};
}

FakeWallClock ClockIn(const Zone& zone) {
    FakeWallClock clock;
    clock.baseOffsetSeconds = zone.baseOffset;
    clock.transitions = zone.transitions;
    return clock;
}

TEST(PauseTimeTest, UtcTexts) {
    const struct {
        std::string text;
        std::optional<std::int64_t> utc;
    } cases[] = {
        {"1970-01-01T00:00:00Z", 0},
        {"1969-12-31T23:59:59Z", -1},
        {"1999-12-31T23:59:59Z", 946684799},
        {"2000-02-29T00:00:00Z", 951782400},  // divisible by 400: a leap year
        {"2000-03-01T00:00:00Z", 951868800},
        {"2024-02-29T12:00:00Z", 1709208000},
        {"2026-12-11T16:36:06Z", 1797006966},
        {"9999-12-31T23:59:59Z", 253402300799},
        {"2023-02-29T00:00:00Z", std::nullopt},  // not a leap year
        {"2100-02-29T00:00:00Z", std::nullopt},  // a century, not divisible by 400
        {"2026-04-31T00:00:00Z", std::nullopt},
        {"2026-00-10T00:00:00Z", std::nullopt},
        {"2026-13-10T00:00:00Z", std::nullopt},
        {"2026-12-00T00:00:00Z", std::nullopt},
        {"2026-12-32T00:00:00Z", std::nullopt},
        {"2026-12-11T24:00:00Z", std::nullopt},
        {"2026-12-11T23:60:00Z", std::nullopt},
        {"2026-12-11T23:59:60Z", std::nullopt},
        {"2026-12-11 16:36:06Z", std::nullopt},
        {"2026/12/11T16:36:06Z", std::nullopt},
        {"2026-12-11T16.36.06Z", std::nullopt},
        {"2026-12-11t16:36:06z", std::nullopt},
        {"2026-12-11T16:36:06", std::nullopt},
        {"2026-12-11T16:36:06Z ", std::nullopt},
        {" 2026-12-11T16:36:06Z", std::nullopt},
        {"2026-12-11T16:36:06ZZ", std::nullopt},
        {"2026-12-11T16:36:06+00:00", std::nullopt},
        {"2026-12-11T16:36:6Z", std::nullopt},
        {"2026-1-11T16:36:06Z", std::nullopt},
        {"+026-12-11T16:36:06Z", std::nullopt},
        {"2026-12-1xT16:36:06Z", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseUtcTime(c.text), c.utc) << '"' << c.text << '"';
        if (c.utc) {
            EXPECT_EQ(FormatUtcTime(*c.utc), c.text);
        }
    }
}

TEST(PauseTimeTest, FormattedTimesReadBackTheSame) {
    // Every 7,777,777 s from 1970 to 2100: every month, day and time of day comes by.
    for (std::int64_t utc = 0; utc < Utc(2100, 1, 1, 0, 0); utc += 7'777'777) {
        const std::string text = FormatUtcTime(utc);
        ASSERT_EQ(ParseUtcTime(text), utc) << text;
        const LocalTime t = FakeWallClock::Civil(utc);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month,
                      t.day, t.hour, t.minute, t.second);
        ASSERT_EQ(text, expected);
    }
}

// The fake keeps the port's rules, which the pause ends below rely on.
TEST(PauseTimeTest, FakeWallClockSkipsAndRepeatsLikeThePort) {
    FakeWallClock clock = ClockIn(NewYork());
    const struct {
        LocalTime local;
        std::int64_t utc;
    } cases[] = {
        {{2026, 3, 8, 1, 59, 59}, Utc(2026, 3, 8, 6, 59, 59)},
        {{2026, 3, 8, 2, 30, 0}, Utc(2026, 3, 8, 7, 0)},  // skipped: the moment of the jump
        {{2026, 3, 8, 3, 0, 0}, Utc(2026, 3, 8, 7, 0)},
        {{2026, 11, 1, 0, 59, 59}, Utc(2026, 11, 1, 4, 59, 59)},
        {{2026, 11, 1, 1, 30, 0}, Utc(2026, 11, 1, 5, 30)},  // twice: the first
        {{2026, 11, 1, 2, 0, 0}, Utc(2026, 11, 1, 7, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(clock.FromLocal(c.local), c.utc) << c.local.hour << ":" << c.local.minute;
    }
    const LocalTime second = clock.ToLocal(Utc(2026, 11, 1, 6, 30));
    EXPECT_EQ(second.hour * 60 + second.minute, 90);  // 01:30 again, an hour later
}

TEST(PauseTimeTest, NextLocalTime) {
    const struct {
        const char* what;
        Zone zone;
        std::int64_t now;
        int hour;
        int minute;
        std::int64_t end;
    } cases[] = {
        {"morning still ahead today", Beijing(), Utc(2026, 12, 10, 22, 0), 7, 0,
         Utc(2026, 12, 10, 23, 0)},
        {"after the morning: tomorrow", Beijing(), Utc(2026, 12, 11, 2, 0), 7, 0,
         Utc(2026, 12, 11, 23, 0)},
        {"exactly at 07:00: tomorrow's", Beijing(), Utc(2026, 12, 10, 23, 0), 7, 0,
         Utc(2026, 12, 11, 23, 0)},
        {"one second before 07:00", Beijing(), Utc(2026, 12, 10, 22, 59, 59), 7, 0,
         Utc(2026, 12, 10, 23, 0)},
        {"just before midnight, across the year", Beijing(), Utc(2026, 12, 31, 15, 59), 7, 0,
         Utc(2026, 12, 31, 23, 0)},
        {"just after midnight local, the day before in UTC", Beijing(), Utc(2026, 12, 31, 16, 1), 7,
         0, Utc(2026, 12, 31, 23, 0)},
        {"into a leap day", Beijing(), Utc(2028, 2, 28, 12, 0), 7, 0, Utc(2028, 2, 28, 23, 0)},
        {"a schedule's day start at 06:45", Beijing(), Utc(2026, 12, 11, 2, 0), 6, 45,
         Utc(2026, 12, 11, 22, 45)},
        {"a half-hour zone", Kolkata(), Utc(2026, 6, 1, 12, 0), 7, 0, Utc(2026, 6, 2, 1, 30)},
        {"west of UTC, evening", NewYork(), Utc(2026, 12, 11, 2, 0), 7, 0,
         Utc(2026, 12, 11, 12, 0)},
        {"spring forward at 02:00, 07:00 is fine", NewYork(), Utc(2026, 3, 8, 5, 0), 7, 0,
         Utc(2026, 3, 8, 11, 0)},
        {"the night before spring forward", NewYork(), Utc(2026, 3, 8, 2, 0), 7, 0,
         Utc(2026, 3, 8, 11, 0)},
        {"the clock jumps at 07:00: the moment it jumps", JumpAtSeven(), Utc(2026, 3, 29, 3, 0), 7,
         0, Utc(2026, 3, 29, 6, 0)},
        {"the day after the jump at 07:00", JumpAtSeven(), Utc(2026, 3, 29, 7, 0), 7, 0,
         Utc(2026, 3, 30, 5, 0)},
        {"fall back at 02:00, 07:00 is fine", NewYork(), Utc(2026, 11, 1, 4, 0), 7, 0,
         Utc(2026, 11, 1, 12, 0)},
        {"the evening before fall back", NewYork(), Utc(2026, 11, 1, 1, 0), 7, 0,
         Utc(2026, 11, 1, 12, 0)},
        {"01:30 on the fall-back night, before both", NewYork(), Utc(2026, 11, 1, 4, 0), 1, 30,
         Utc(2026, 11, 1, 5, 30)},
        {"01:30 on the fall-back night, first 01:45: tomorrow", NewYork(), Utc(2026, 11, 1, 5, 45),
         1, 30, Utc(2026, 11, 2, 6, 30)},
        {"01:30 on the fall-back night, the clock back at 01:10: the second", NewYork(),
         Utc(2026, 11, 1, 6, 10), 1, 30, Utc(2026, 11, 1, 6, 30)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.zone.name) + ": " + c.what);
        FakeWallClock clock = ClockIn(c.zone);
        EXPECT_EQ(NextLocalTime(clock, c.now, c.hour, c.minute), c.end);
    }
}

TEST(PauseTimeTest, StoredPauseEnds) {
    const std::int64_t now = Utc(2026, 12, 11, 12, 0);
    const struct {
        const char* what;
        std::string stored;
        std::optional<std::int64_t> end;
    } cases[] = {
        {"not paused", "", std::nullopt},
        {"an hour ahead", "2026-12-11T13:00:00Z", now + kHour},
        {"a second ahead", "2026-12-11T12:00:01Z", now + 1},
        {"ends now", "2026-12-11T12:00:00Z", std::nullopt},
        {"already past", "2026-12-11T11:59:59Z", std::nullopt},
        {"past after sleeping for days", "2026-12-08T07:00:00Z", std::nullopt},
        {"exactly 48 hours ahead", "2026-12-13T12:00:00Z", now + 48 * kHour},
        {"48 hours and a second ahead", "2026-12-13T12:00:01Z", std::nullopt},
        // Paused until tomorrow morning, then the clock was set back a week.
        {"after the clock was set back", "2026-12-18T23:00:00Z", std::nullopt},
        {"malformed", "tomorrow", std::nullopt},
        {"not a real date", "2026-12-11T25:00:00Z", std::nullopt},
        {"with blanks", " 2026-12-11T13:00:00Z", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PauseEndFromStored(c.stored, now), c.end) << c.what;
    }
}

TEST(PauseTimeTest, PausedTextShowsTheLocalEnd) {
    const struct {
        Zone zone;
        std::int64_t end;
        std::string text;
    } cases[] = {
        {Beijing(), Utc(2026, 12, 11, 5, 30), "已暂停，13:30 恢复"},
        {Beijing(), Utc(2026, 12, 11, 16, 15, 59), "已暂停，00:15 恢复"},
        {Beijing(), Utc(2026, 12, 10, 23, 0), "已暂停，07:00 恢复"},
        {NewYork(), Utc(2026, 12, 11, 14, 5), "已暂停，09:05 恢复"},
        {NewYork(), Utc(2026, 7, 11, 14, 5), "已暂停，10:05 恢复"},
        {JumpAtSeven(), Utc(2026, 3, 29, 6, 0), "已暂停，08:00 恢复"},
    };
    for (const auto& c : cases) {
        FakeWallClock clock = ClockIn(c.zone);
        EXPECT_EQ(PausedText(clock, c.end), c.text) << c.zone.name;
    }
}

}  // namespace
}  // namespace qvx::app
