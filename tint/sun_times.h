#pragma once
// Sunrise and sunset from the sun's position (the NOAA solar calculator's formulas, after
// Meeus): the moments the centre of the sun stands 0.833 degrees below the horizon (refraction
// and the sun's radius), for one solar day at a place. All times are UTC, in seconds since
// 1970-01-01 00:00:00.

#include <cstdint>

namespace qvx::tint {

// The sun's centre at sunrise and sunset, degrees below the horizon.
inline constexpr double kSunsetDepressionDegrees = 0.833;

struct SunDay {
    enum class Kind : std::uint8_t {
        RisesAndSets,  // rise and set hold the day's sunrise and sunset
        AlwaysUp,      // the sun does not set that day (polar day)
        AlwaysDown,    // the sun does not rise that day (polar night)
    };
    Kind kind = Kind::RisesAndSets;
    std::int64_t noon = 0;  // the sun's highest point
    std::int64_t rise = 0;  // before noon
    std::int64_t set = 0;   // after noon
};

// The solar day whose noon falls nearest 12:00 local mean time of the UTC date `utcDay` (days
// since 1970-01-01) at a latitude (north positive, -90..90) and longitude (east positive,
// -180..180). Days that follow one another give noons about 24 hours apart, whatever the
// longitude.
SunDay SunOnDay(double latitude, double longitude, std::int64_t utcDay);

}  // namespace qvx::tint
