// Sunrise and sunset against an independent almanac (PyEphem, see make_sun_reference.py), and
// the shape of the days the schedule relies on.

#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "tint/sun_times.h"

namespace qvx::tint {
namespace {

using Kind = SunDay::Kind;

struct Reference {
    const char* place;
    double latitude;
    double longitude;
    std::int64_t utcDay;
    Kind kind;
    std::int64_t rise;
    std::int64_t set;
};

const Reference kAlmanac[] = {
#include "tests/unit/tint/sun_reference.inc"
};

TEST(SunTimesTest, AgreesWithTheAlmanacAtTheSolsticesAndEquinoxes) {
    std::int64_t worstBelow60 = 0;
    for (const Reference& r : kAlmanac) {
        const SunDay day = SunOnDay(r.latitude, r.longitude, r.utcDay);
        SCOPED_TRACE(std::string(r.place) + " day " + std::to_string(r.utcDay));
        ASSERT_EQ(day.kind, r.kind);
        if (r.kind != Kind::RisesAndSets) {
            continue;
        }
        // Within a minute (the smallest unit the program shows), also beyond 60 degrees where
        // the sun meets the horizon at a shallow angle.
        const std::int64_t limit = 60;
        EXPECT_LE(std::abs(day.rise - r.rise), limit) << "sunrise " << day.rise - r.rise << " s";
        EXPECT_LE(std::abs(day.set - r.set), limit) << "sunset " << day.set - r.set << " s";
        EXPECT_LT(day.rise, day.noon);
        EXPECT_LT(day.noon, day.set);
        if (std::abs(r.latitude) <= 60.0) {
            worstBelow60 =
                std::max({worstBelow60, std::abs(day.rise - r.rise), std::abs(day.set - r.set)});
        }
    }
    RecordProperty("worst_difference_below_60_degrees_s", static_cast<int>(worstBelow60));
}

TEST(SunTimesTest, PolarDayAndNightAroundTheSolsticesAtTromso) {
    // Tromsø (69.65 N): the midnight sun from about 20 May to 22 July, the polar night from
    // about 27 November to 15 January.
    struct Case {
        std::int64_t utcDay;
        Kind kind;
    };
    const Case cases[] = {
        {20600, Kind::AlwaysUp},      // 2026-05-27
        {20650, Kind::AlwaysUp},      // 2026-07-16
        {20680, Kind::RisesAndSets},  // 2026-08-15
        {20790, Kind::AlwaysDown},    // 2026-12-03
        {20829, Kind::AlwaysDown},    // 2027-01-11
        {20860, Kind::RisesAndSets},  // 2027-02-11
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SunOnDay(69.6492, 18.9553, c.utcDay).kind, c.kind) << c.utcDay;
    }
    // The other hemisphere at the same moment: Antarctica's McMurdo (77.85 S) in polar night
    // in June and polar day in December.
    EXPECT_EQ(SunOnDay(-77.85, 166.67, 20625).kind, Kind::AlwaysDown);
    EXPECT_EQ(SunOnDay(-77.85, 166.67, 20808).kind, Kind::AlwaysUp);
}

TEST(SunTimesTest, NoonsOfFollowingDaysAreADayApartAtEveryLongitude) {
    for (double longitude : {-179.9, -78.5, 0.0, 116.4, 179.9}) {
        std::int64_t previous = SunOnDay(10.0, longitude, 20500).noon;
        for (std::int64_t day = 20501; day < 20510; ++day) {
            const std::int64_t noon = SunOnDay(10.0, longitude, day).noon;
            EXPECT_NEAR(static_cast<double>(noon - previous), 86400.0, 60.0) << longitude;
            previous = noon;
        }
        // The noon of a UTC date lies within that date's local mean day.
        const std::int64_t noon = SunOnDay(10.0, longitude, 20500).noon;
        EXPECT_NEAR(static_cast<double>(noon), 20500 * 86400.0 + 43200.0 - longitude * 240.0,
                    20 * 60.0);
    }
}

}  // namespace
}  // namespace qvx::tint
