#pragma once
// Preset buttons, their highlight bands, the smart day/night rule and the parsing of stored
// settings texts into the values the main window uses.

#include <cstdint>
#include <optional>
#include <string_view>

namespace qvx::tint {

// Slider positions written by RGBImage01 .. RGBImage07.
constexpr int kPresetPositions[7] = {50, 41, 33, 25, 17, 9, 0};

// 1..7: the RGBImageNN_xuan overlay that position v highlights (bands tested from the top).
int PresetForPosition(int v);

// The next preset position strictly above v (direction > 0) or below it (direction < 0), by
// the preset positions 0, 9, 17, 25, 33, 41, 50; v itself at the end of the range (50 up, 0
// down). Positions between presets step to the neighbouring preset; one outside 0..50 counts
// as the nearest end.
int NextPresetPosition(int v, int direction);

// Smart eye-care position for a local hour 0-23: 17 from 07:00 to 16:59, else 33.
int SmartPosition(int hour);

// "SetHuYanValue" text -> slider position 0..50: the absolute value of the number, rounded half
// to even. nullopt (treated as not stored) for empty text, text that is not a plain decimal
// number, or a result outside 0..50.
std::optional<int> ParseStoredStrength(std::string_view text);

// A stored switch: "1" or "0" (surrounding spaces ignored) -> 1 or 0; anything else -> nullopt,
// which the caller treats as missing (default 1, written back).
std::optional<std::int16_t> ParseSwitch(std::string_view text);

// A stored counter in seconds: a non-negative decimal that fits in 32 bits (surrounding spaces
// ignored); anything else -> nullopt (the caller uses 0).
std::optional<std::int32_t> ParseCounter(std::string_view text);

}  // namespace qvx::tint
