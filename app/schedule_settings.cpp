#include "app/schedule_settings.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "base/text.h"

namespace qvx::app {

namespace {

constexpr int kDaysAround = 3;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

template <typename T, typename Parse>
T ValueOr(const ReadSetting& read, const char* name, T fallback, Parse parse) {
    const std::optional<std::string> text = read(name);
    if (!text) {
        return fallback;
    }
    return parse(*text).value_or(fallback);
}

// The calendar date `days` after a date (the time of day is not kept).
LocalTime DayAfter(const LocalTime& date, int days) {
    std::int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy =
        (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
    const std::int64_t z = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy + days;
    const std::int64_t era2 = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era2 * 146097;
    const std::int64_t yoe2 = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy2 = doe - (365 * yoe2 + yoe2 / 4 - yoe2 / 100);
    const std::int64_t mp = (5 * doy2 + 2) / 153;
    LocalTime out;
    out.day = static_cast<int>(doy2 - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = static_cast<int>(yoe2 + era2 * 400 + (out.month <= 2 ? 1 : 0));
    return out;
}

}  // namespace

std::optional<int> ParseClockTime(std::string_view text) {
    text = Trimmed(text);
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() != colon + 3) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != colon && !IsDigit(text[i])) {
            return std::nullopt;
        }
    }
    const int hour = colon == 1 ? text[0] - '0' : (text[0] - '0') * 10 + (text[1] - '0');
    const int minute = (text[colon + 1] - '0') * 10 + (text[colon + 2] - '0');
    if (hour > 23 || minute > 59) {
        return std::nullopt;
    }
    return hour * 60 + minute;
}

std::string FormatClockTime(int minutes) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", (minutes / 60) % 24, minutes % 60);
    return text;
}

std::optional<int> ParseWholeNumber(std::string_view text, int lo, int hi) {
    text = Trimmed(text);
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value < lo || value > hi) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseDegrees(std::string_view text, double limit) {
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 16) {
        return std::nullopt;
    }
    double whole = 0;
    double fraction = 0;
    double scale = 1;
    bool point = false;
    bool digits = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (IsDigit(c)) {
            digits = true;
            if (point) {
                scale /= 10;
                fraction += (c - '0') * scale;
            } else {
                whole = whole * 10 + (c - '0');
            }
        } else {
            return std::nullopt;
        }
    }
    const double value = (whole + fraction) * (negative ? -1 : 1);
    if (!digits || std::fabs(value) > limit) {
        return std::nullopt;
    }
    return value;
}

std::string FormatDegrees(double degrees) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", degrees);
    std::string out = text;
    while (!out.empty() && out.back() == '0') {
        out.pop_back();
    }
    if (!out.empty() && out.back() == '.') {
        out.pop_back();
    }
    return out == "-0" ? "0" : out;
}

std::optional<Location> ParseLocation(std::string_view latitude, std::string_view longitude) {
    const std::optional<double> lat = ParseDegrees(latitude, 90.0);
    const std::optional<double> lon = ParseDegrees(longitude, 180.0);
    if (!lat || !lon || (*lat == 0.0 && *lon == 0.0)) {
        return std::nullopt;
    }
    return Location{*lat, *lon};
}

ScheduleSettings LoadScheduleSettings(const ReadSetting& read) {
    using namespace schedule_names;
    const ScheduleSettings defaults;
    ScheduleSettings settings;
    settings.kind = ValueOr(read, kSchedule, defaults.kind,
                            [](std::string_view text) -> std::optional<ScheduleKind> {
                                text = Trimmed(text);
                                if (text == "clock") {
                                    return ScheduleKind::Clock;
                                }
                                if (text == "sun") {
                                    return ScheduleKind::Sun;
                                }
                                return std::nullopt;
                            });
    settings.dayStart = ValueOr(read, kDayStart, defaults.dayStart, ParseClockTime);
    settings.nightStart = ValueOr(read, kNightStart, defaults.nightStart, ParseClockTime);
    if (settings.dayStart == settings.nightStart) {
        // One moment cannot begin both: the schedule the two defaults make.
        settings.dayStart = defaults.dayStart;
        settings.nightStart = defaults.nightStart;
    }
    const std::string latitude = read(kLatitude).value_or("");
    const std::string longitude = read(kLongitude).value_or("");
    settings.location = ParseLocation(latitude, longitude);
    settings.place = base::TrimSpaces(read(kPlace).value_or(""));
    settings.transitionMinutes =
        ValueOr(read, kTransitionMinutes, defaults.transitionMinutes,
                [](std::string_view text) { return ParseWholeNumber(text, 0, 180); });
    auto strength = [](std::string_view text) { return ParseWholeNumber(text, 0, 50); };
    settings.strengths.day = ValueOr(read, kDayStrength, defaults.strengths.day, strength);
    settings.strengths.night = ValueOr(read, kNightStrength, defaults.strengths.night, strength);
    return settings;
}

tint::ChangeList ScheduleChanges(const ScheduleSettings& settings, WallClock& clock,
                                 std::int64_t nowUtc) {
    if (settings.FollowsSun()) {
        return tint::SunChanges(settings.location->latitude, settings.location->longitude, nowUtc);
    }
    tint::ChangeList changes;
    const LocalTime today = clock.ToLocal(nowUtc);
    for (int offset = -kDaysAround; offset <= kDaysAround; ++offset) {
        LocalTime date = DayAfter(today, offset);
        for (const auto& [minutes, phase] : {std::pair{settings.dayStart, tint::Phase::Day},
                                             std::pair{settings.nightStart, tint::Phase::Night}}) {
            date.hour = minutes / 60;
            date.minute = minutes % 60;
            date.second = 0;
            changes.Add({clock.FromLocal(date), phase, tint::Change::Source::Clock});
        }
    }
    changes.Sort();
    return changes;
}

}  // namespace qvx::app
