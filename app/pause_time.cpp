#include "app/pause_time.h"

#include <cstdio>

#include "base/civil_date.h"

namespace qvx::app {

namespace {

constexpr std::int64_t kDaySeconds = 86400;

using base::CivilDate;
using base::CivilFromDays;
using base::DaysFromCivil;

bool LeapYear(std::int64_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(std::int64_t y, int m) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

// The digits text[at, at + count) as a number; nullopt when any is not a digit.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// A local time as if it were UTC: the difference to the real UTC is the zone's offset then.
std::int64_t LocalSeconds(const LocalTime& local) {
    return DaysFromCivil(local.year, local.month, local.day) * kDaySeconds + local.hour * 3600 +
           local.minute * 60 + local.second;
}

LocalTime AtTimeOfDay(const LocalTime& date, int hour, int minute) {
    return {date.year, date.month, date.day, hour, minute, 0};
}

LocalTime NextDay(const LocalTime& date) {
    const CivilDate next = CivilFromDays(DaysFromCivil(date.year, date.month, date.day) + 1);
    return {static_cast<int>(next.year), next.month, next.day, date.hour, date.minute, date.second};
}

bool SameClockReading(const LocalTime& a, const LocalTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

}  // namespace

std::optional<std::int64_t> ParseUtcTime(std::string_view text) {
    // "YYYY-MM-DDTHH:MM:SSZ", nothing more and nothing less.
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z') {
        return std::nullopt;
    }
    const auto year = Digits(text, 0, 4);
    const auto month = Digits(text, 5, 2);
    const auto day = Digits(text, 8, 2);
    const auto hour = Digits(text, 11, 2);
    const auto minute = Digits(text, 14, 2);
    const auto second = Digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) {
        return std::nullopt;
    }
    if (*month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) || *hour > 23 ||
        *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    return DaysFromCivil(*year, *month, *day) * kDaySeconds + *hour * 3600 + *minute * 60 + *second;
}

std::string FormatUtcTime(std::int64_t utc) {
    std::int64_t days = utc / kDaySeconds;
    std::int64_t rest = utc % kDaySeconds;
    if (rest < 0) {
        rest += kDaySeconds;
        --days;
    }
    const CivilDate date = CivilFromDays(days);
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                  static_cast<long long>(date.year), date.month, date.day,
                  static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                  static_cast<int>(rest % 60));
    return text;
}

std::int64_t NextLocalTime(WallClock& clock, std::int64_t nowUtc, int hour, int minute) {
    const LocalTime nowLocal = clock.ToLocal(nowUtc);
    const LocalTime today = AtTimeOfDay(nowLocal, hour, minute);
    // Today when the clock on the wall still shows an earlier time, else tomorrow.
    LocalTime target = LocalSeconds(nowLocal) < LocalSeconds(today) ? today : NextDay(today);
    for (int day = 0; day < 3; ++day, target = NextDay(target)) {
        const std::int64_t first = clock.FromLocal(target);
        if (first > nowUtc) {
            return first;
        }
        // On a day the clocks go back, the wall may show the time once more after its first
        // occurrence has passed: then at the offset in force now.
        const std::int64_t again = LocalSeconds(target) - (LocalSeconds(nowLocal) - nowUtc);
        if (again > nowUtc && SameClockReading(clock.ToLocal(again), target)) {
            return again;
        }
    }
    // Only a clock that contradicts itself gets here; a day later is then the honest answer.
    return nowUtc + kDaySeconds;
}

std::optional<std::int64_t> PauseEndFromStored(std::string_view stored, std::int64_t nowUtc) {
    const std::optional<std::int64_t> end = ParseUtcTime(stored);
    if (!end || *end <= nowUtc || *end - nowUtc > kPauseLongestSeconds) {
        return std::nullopt;
    }
    return end;
}

std::string PausedText(WallClock& clock, std::int64_t endUtc) {
    const LocalTime local = clock.ToLocal(endUtc);
    char time[32];
    std::snprintf(time, sizeof time, "%02d:%02d", local.hour, local.minute);
    return std::string("已暂停，") + time + " 恢复";
}

}  // namespace qvx::app
