#pragma once
// The smart mode's schedule: clock or sun, the day and night starts, the place, the transition
// and the two strengths, stored as string values under Software\quorvex. A missing, malformed
// or out-of-range value reads as its default; with every default the smart mode keeps the
// classic rule, 17 from 07:00 and 33 from 17:00.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/aside_settings.h"
#include "app/desktop_ports.h"
#include "tint/schedule.h"

namespace qvx::app {

enum class ScheduleKind : std::uint8_t { Clock, Sun };

struct Location {
    double latitude = 0;   // north positive
    double longitude = 0;  // east positive
    bool operator==(const Location&) const = default;
};

struct ScheduleSettings {
    ScheduleKind kind = ScheduleKind::Clock;  // "Schedule" "clock"/"sun", default "clock"
    int dayStart = 7 * 60;                    // "DayStart" "HH:MM", default "07:00"
    int nightStart = 17 * 60;                 // "NightStart" "HH:MM", default "17:00"
    // "Latitude" / "Longitude", decimal degrees; none unless both are valid (and not 0,0).
    std::optional<Location> location;
    std::string place;           // "Place", the name shown, default ""
    int transitionMinutes = 40;  // "TransitionMinutes" "0".."180", default "40"
    tint::Strengths strengths;   // "DayStrength" / "NightStrength" "0".."50", 17 / 33
    bool operator==(const ScheduleSettings&) const = default;

    // "sun" with a location; "sun" without one follows the clock.
    bool FollowsSun() const { return kind == ScheduleKind::Sun && location.has_value(); }
    bool SunWithoutPlace() const { return kind == ScheduleKind::Sun && !location.has_value(); }
};

namespace schedule_names {
inline constexpr const char* kSchedule = "Schedule";
inline constexpr const char* kDayStart = "DayStart";
inline constexpr const char* kNightStart = "NightStart";
inline constexpr const char* kLatitude = "Latitude";
inline constexpr const char* kLongitude = "Longitude";
inline constexpr const char* kPlace = "Place";
inline constexpr const char* kTransitionMinutes = "TransitionMinutes";
inline constexpr const char* kDayStrength = "DayStrength";
inline constexpr const char* kNightStrength = "NightStrength";
}  // namespace schedule_names

inline constexpr int kLongestTransitionMinutes = 180;

// Every value read with its default for what is missing or malformed. Nothing is written.
ScheduleSettings LoadScheduleSettings(const ReadSetting& read);

// "HH:MM" (H or HH, 00..23; MM 00..59; blanks around ignored) -> minutes after midnight.
std::optional<int> ParseClockTime(std::string_view text);
std::string FormatClockTime(int minutes);  // "07:05"
// A whole number lo..hi in decimal (blanks around ignored).
std::optional<int> ParseWholeNumber(std::string_view text, int lo, int hi);
// Decimal degrees "-33.8688" (sign, digits, at most one point; blanks around ignored) within
// -limit..limit.
std::optional<double> ParseDegrees(std::string_view text, double limit);
// Degrees as stored: up to four decimals, no trailing zeros ("39.9042", "-78.5", "0").
std::string FormatDegrees(double degrees);
// A location from two texts, or none: a part missing or out of range, or the 0,0 that a lost
// location turns into elsewhere.
std::optional<Location> ParseLocation(std::string_view latitude, std::string_view longitude);

// The changes of about a week around now: the sun's at the location, or the clock's day and
// night starts on the local calendar (a start skipped by daylight saving at the moment the
// clock jumped, one shown twice at its first showing).
tint::ChangeList ScheduleChanges(const ScheduleSettings& settings, WallClock& clock,
                                 std::int64_t nowUtc);

}  // namespace qvx::app
