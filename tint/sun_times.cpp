#include "tint/sun_times.h"

#include <cmath>

namespace qvx::tint {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDaySeconds = 86400.0;
constexpr double kUnixEpochJulianDay = 2440587.5;

double Radians(double degrees) {
    return degrees * kPi / 180.0;
}

double Degrees(double radians) {
    return radians * 180.0 / kPi;
}

// The sun as the hour angle needs it: its declination (radians) and the equation of time
// (minutes: apparent minus mean solar time).
struct SunPosition {
    double declination;
    double equationOfTimeMinutes;
};

SunPosition SunAt(double utcSeconds) {
    const double julianDay = utcSeconds / kDaySeconds + kUnixEpochJulianDay;
    const double t = (julianDay - 2451545.0) / 36525.0;  // Julian centuries since J2000.0
    const double meanLongitude = std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360.0);
    const double meanAnomaly = 357.52911 + t * (35999.05029 - 0.0001537 * t);
    const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
    const double m = Radians(meanAnomaly);
    const double centre = std::sin(m) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                          std::sin(2 * m) * (0.019993 - 0.000101 * t) + std::sin(3 * m) * 0.000289;
    const double omega = Radians(125.04 - 1934.136 * t);
    const double apparentLongitude =
        Radians(meanLongitude + centre - 0.00569 - 0.00478 * std::sin(omega));
    const double meanObliquity =
        23.0 + (26.0 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60.0) / 60.0;
    const double obliquity = Radians(meanObliquity + 0.00256 * std::cos(omega));

    const double declination = std::asin(std::sin(obliquity) * std::sin(apparentLongitude));
    const double y = std::pow(std::tan(obliquity / 2), 2);
    const double l0 = Radians(meanLongitude);
    const double equation = y * std::sin(2 * l0) - 2 * eccentricity * std::sin(m) +
                            4 * eccentricity * y * std::sin(m) * std::cos(2 * l0) -
                            0.5 * y * y * std::sin(4 * l0) -
                            1.25 * eccentricity * eccentricity * std::sin(2 * m);
    return {declination, 4.0 * Degrees(equation)};
}

// The cosine of the hour angle at which the sun's centre is at the sunset depression; above 1
// the sun stays below, below -1 it stays above.
double CosHourAngle(double latitude, double declination) {
    const double phi = Radians(latitude);
    return (std::cos(Radians(90.0 + kSunsetDepressionDegrees)) -
            std::sin(phi) * std::sin(declination)) /
           (std::cos(phi) * std::cos(declination));
}

// Solar noon of the day that starts at dayStart (UTC seconds), with the equation of time
// taken at `at`.
double NoonAt(double dayStart, double longitude, double at) {
    return dayStart + (720.0 - 4.0 * longitude - SunAt(at).equationOfTimeMinutes) * 60.0;
}

// Sunrise (sign -1) or sunset (+1): the sun's position is taken again at the moment found, as
// it moves in the hours between noon and the horizon.
double Event(double dayStart, double latitude, double longitude, double noon, int sign) {
    double at = noon;
    for (int i = 0; i < 4; ++i) {
        const SunPosition sun = SunAt(at);
        double cosH = CosHourAngle(latitude, sun.declination);
        cosH = cosH > 1.0 ? 1.0 : (cosH < -1.0 ? -1.0 : cosH);
        const double hourAngleSeconds = Degrees(std::acos(cosH)) * 240.0;
        at = NoonAt(dayStart, longitude, at) + sign * hourAngleSeconds;
    }
    return at;
}

std::int64_t Whole(double seconds) {
    return static_cast<std::int64_t>(std::llround(seconds));
}

}  // namespace

SunDay SunOnDay(double latitude, double longitude, std::int64_t utcDay) {
    const double dayStart = static_cast<double>(utcDay) * kDaySeconds;
    double noon = dayStart + kDaySeconds / 2 - longitude * 240.0;
    for (int i = 0; i < 2; ++i) {
        noon = NoonAt(dayStart, longitude, noon);
    }
    SunDay day;
    day.noon = Whole(noon);
    // Whether the sun crosses the horizon at all is judged at noon, the day's middle.
    const double cosH = CosHourAngle(latitude, SunAt(noon).declination);
    if (cosH > 1.0) {
        day.kind = SunDay::Kind::AlwaysDown;
        return day;
    }
    if (cosH < -1.0) {
        day.kind = SunDay::Kind::AlwaysUp;
        return day;
    }
    day.rise = Whole(Event(dayStart, latitude, longitude, noon, -1));
    day.set = Whole(Event(dayStart, latitude, longitude, noon, +1));
    return day;
}

}  // namespace qvx::tint
