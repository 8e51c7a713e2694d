#pragma once
// Pausing the tint for a while: when a pause ends, and its stored form "PauseUntil" — an
// absolute UTC time "YYYY-MM-DDTHH:MM:SSZ", so a pause survives sleep, restarts and a change
// of the clock or the time zone.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/desktop_ports.h"

namespace qvx::app {

inline constexpr std::int64_t kPauseHourSeconds = 3600;
// A stored end further ahead than this is not a pause the program set: it is ignored.
inline constexpr std::int64_t kPauseLongestSeconds = 48 * 3600;
// "暂停至明早" ends at this local time when no schedule names a day start.
inline constexpr int kMorningHour = 7;

// "YYYY-MM-DDTHH:MM:SSZ" -> seconds since 1970 UTC; nullopt for any other text or a date or
// time that does not exist.
std::optional<std::int64_t> ParseUtcTime(std::string_view text);
std::string FormatUtcTime(std::int64_t utc);

// The next time after now at which the local clock shows hour:minute (today when still ahead,
// else tomorrow), as UTC.
std::int64_t NextLocalTime(WallClock& clock, std::int64_t nowUtc, int hour, int minute);

// The end a stored "PauseUntil" gives at now: nullopt when empty, malformed, already past or
// more than 48 hours ahead.
std::optional<std::int64_t> PauseEndFromStored(std::string_view stored, std::int64_t nowUtc);

// "已暂停，HH:MM 恢复" with the local time of the end.
std::string PausedText(WallClock& clock, std::int64_t endUtc);

}  // namespace qvx::app
