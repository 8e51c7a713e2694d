#include "tint/presets.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "tint/gamma_ramp.h"

namespace qvx::tint {

namespace {

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Longest text a stored strength may sensibly have; anything longer is not a strength.
constexpr std::size_t kMaxNumberText = 64;

}  // namespace

int PresetForPosition(int v) {
    if (v >= 45) {
        return 1;
    }
    if (v >= 37) {
        return 2;
    }
    if (v >= 29) {
        return 3;
    }
    if (v >= 21) {
        return 4;
    }
    if (v >= 13) {
        return 5;
    }
    if (v >= 5) {
        return 6;
    }
    return 7;
}

int NextPresetPosition(int v, int direction) {
    // The slider's range is 0..50: a position outside it steps from the nearest end.
    v = std::clamp(v, 0, 50);
    if (direction > 0) {
        // kPresetPositions runs from the top down: the last one above v is the next up.
        for (int n = 6; n >= 0; --n) {
            if (kPresetPositions[n] > v) {
                return kPresetPositions[n];
            }
        }
    } else if (direction < 0) {
        for (int position : kPresetPositions) {
            if (position < v) {
                return position;
            }
        }
    }
    return v;
}

int SmartPosition(int hour) {
    return hour > 6 && hour < 17 ? 17 : 33;
}

std::optional<int> ParseStoredStrength(std::string_view text) {
    text = TrimSpaces(text);
    if (text.empty() || text.size() > kMaxNumberText) {
        return std::nullopt;
    }
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // A plain decimal: digits with at most one point and at least one digit.
    std::size_t digits = 0;
    std::size_t points = 0;
    for (char c : text) {
        if (IsDigit(c)) {
            ++digits;
        } else if (c == '.') {
            ++points;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || points > 1) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::fabs(RoundHalfEven(negative ? -value : value));
    if (rounded > 50.0) {
        return std::nullopt;
    }
    return static_cast<int>(rounded);
}

std::optional<std::int16_t> ParseSwitch(std::string_view text) {
    text = TrimSpaces(text);
    if (text == "1") {
        return static_cast<std::int16_t>(1);
    }
    if (text == "0") {
        return static_cast<std::int16_t>(0);
    }
    return std::nullopt;
}

std::optional<std::int32_t> ParseCounter(std::string_view text) {
    text = TrimSpaces(text);
    if (text.empty()) {
        return std::nullopt;
    }
    for (char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace qvx::tint
