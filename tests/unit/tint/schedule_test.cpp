// Where a schedule stands: the steps of a transition, the phase and the next change from a list
// of changes, the sun's changes on ordinary and polar days.

#include <gtest/gtest.h>

#include "tint/schedule.h"

namespace qvx::tint {
namespace {

constexpr std::int64_t kMinute = 60;

TEST(ScheduleTest, StepsOnePositionAtATimeEvenlyOverTheTransition) {
    struct Case {
        int origin, target;
        std::int64_t transition, at;  // seconds; at: since the change began
        int position;
    };
    const Case cases[] = {
        {17, 33, 40 * kMinute, -1, 17},   // before the change
        {17, 33, 40 * kMinute, 0, 18},    // the first step at the change
        {17, 33, 40 * kMinute, 149, 18},  // 16 steps: one every 150 s
        {17, 33, 40 * kMinute, 150, 19},
        {17, 33, 40 * kMinute, 20 * kMinute, 26},  // half way
        {17, 33, 40 * kMinute, 40 * kMinute - 151, 32},
        {17, 33, 40 * kMinute, 40 * kMinute - 150, 33},
        {17, 33, 40 * kMinute, 5 * 3600, 33},      // long after
        {33, 17, 40 * kMinute, 20 * kMinute, 24},  // downwards
        {25, 33, 40 * kMinute, 0, 26},             // from a held choice: 8 steps over 40 min
        {25, 33, 40 * kMinute, 300, 27},
        {40, 33, 40 * kMinute, 0, 39},  // beyond the target: back towards it
        {17, 33, 0, 0, 33},             // "0": at once
        {17, 33, 0, -1, 17},
        {33, 33, 40 * kMinute, 0, 33},  // nothing to move
    };
    const std::int64_t begin = 1'000'000;
    for (const Case& c : cases) {
        EXPECT_EQ(StepToward(c.origin, c.target, begin, c.transition, begin + c.at), c.position)
            << c.origin << "->" << c.target << " at " << c.at;
    }
}

TEST(ScheduleTest, PointFollowsTheChangesThatTurnThePhase) {
    ChangeList changes;
    // A night start, a redundant second one, a day start, a night start.
    changes.Add({1000, Phase::Night, Change::Source::Sunset});
    changes.Add({1500, Phase::Night, Change::Source::Polar});
    changes.Add({3000, Phase::Day, Change::Source::Sunrise});
    changes.Add({5000, Phase::Night, Change::Source::Clock});
    changes.Sort();
    const Strengths strengths{10, 40};
    struct Case {
        std::int64_t now;
        Phase phase;
        std::optional<std::int64_t> begun, next;
        int target;
    };
    const Case cases[] = {
        {999, Phase::Day, std::nullopt, 1000, 10},  // before the first: the phase it leaves
        {1000, Phase::Night, 1000, 3000, 40},
        {1700, Phase::Night, 1000, 3000, 40},  // the redundant change turns nothing
        {3000, Phase::Day, 3000, 5000, 10},
        {9000, Phase::Night, 5000, std::nullopt, 40},
    };
    for (const Case& c : cases) {
        const SchedulePoint point = PointAt(changes, c.now, strengths);
        EXPECT_EQ(point.phase, c.phase) << c.now;
        EXPECT_EQ(point.begun ? std::optional(point.begun->utc) : std::nullopt, c.begun) << c.now;
        EXPECT_EQ(point.next ? std::optional(point.next->utc) : std::nullopt, c.next) << c.now;
        EXPECT_EQ(point.target, c.target) << c.now;
    }
    EXPECT_EQ(NextDayStart(changes, 999), 3000);
    EXPECT_EQ(NextDayStart(changes, 3000), std::nullopt);
}

TEST(ScheduleTest, SunChangesAlternateOnOrdinaryDaysAndHoldOnPolarOnes) {
    const std::int64_t juneSolstice = 1782043200;  // 2026-06-21 12:00 UTC
    // Beijing: a sunrise and a sunset every day, alternating, a day apart.
    const ChangeList beijing = SunChanges(39.9042, 116.4074, juneSolstice);
    ASSERT_EQ(beijing.Size(), 14u);
    for (std::size_t i = 1; i < beijing.Size(); ++i) {
        EXPECT_NE(beijing[i].to, beijing[i - 1].to);
        EXPECT_GT(beijing[i].utc, beijing[i - 1].utc);
    }
    // Tromsø at midsummer: day all the time, nothing ahead; at midwinter night.
    const SchedulePoint summer =
        PointAt(SunChanges(69.6492, 18.9553, juneSolstice), juneSolstice, Strengths{});
    EXPECT_EQ(summer.phase, Phase::Day);
    EXPECT_FALSE(summer.next.has_value());
    const std::int64_t decemberSolstice = 1797854400;  // 2026-12-21 12:00 UTC
    const SchedulePoint winter =
        PointAt(SunChanges(69.6492, 18.9553, decemberSolstice), decemberSolstice, Strengths{});
    EXPECT_EQ(winter.phase, Phase::Night);
    EXPECT_FALSE(winter.next.has_value());
    // Tromsø as the midnight sun begins (2026-05-19..21): the last sunset, then day.
    const std::int64_t may20 = 1779278400;
    const SchedulePoint spring =
        PointAt(SunChanges(69.6492, 18.9553, may20 + 5 * 86400), may20 + 5 * 86400, Strengths{});
    EXPECT_EQ(spring.phase, Phase::Day);
}

}  // namespace
}  // namespace qvx::tint
