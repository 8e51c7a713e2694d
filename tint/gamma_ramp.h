#pragma once
// The tint engine: turns the slider position (0-50) into a gamma ramp and loads it, both when the
// slider changes and on the one-second refresh of the session tick.

#include <cstdint>
#include <utility>

#include "tint/gamma_display_port.h"

namespace qvx::tint {

// A ramp word read as its unsigned value, 0-65535.
std::int32_t RampWordToLong(std::uint16_t word);
// The 16-bit ramp word with the unsigned value 0-65535.
std::uint16_t LongToRampWord(std::int32_t value);

// Nearest integer, ties to the even integer (0.5 -> 0, 32767.5 -> 32768). Every rounding of the
// tint engine and of the presets uses it.
double RoundHalfEven(double x);

class TintEngine {
public:
    // Both tables start as the identity ramp, so even a load before InitBaseRamp is harmless.
    TintEngine();

    // Fills BaseRamp with the identity ramp (level i = i * 257 in every channel).
    void InitBaseRamp();
    // Recomputes one channel (0 red, 1 green, 2 blue) of OutputRamp from BaseRamp; a negative
    // strength darkens by |s| percent, a positive one lifts towards 65535. Does not load.
    void ScaleRampChannel(std::int16_t strength, std::int16_t channel);
    // Slider position v: red/green strength round(v / 6), blue strength v; loads the ramp.
    // Returns what the load answered (false: a display refused it).
    bool ApplyPosition(int v, GammaDisplay& display);
    // The refresh at the end of every session tick: reloads the ramp of position v, nudged
    // around it for twelve refreshes after a gap of 6 s or more; sets LastTintRefresh to now.
    // Returns what the load answered.
    bool Refresh(int v, std::int64_t nowSeconds, GammaDisplay& display);
    // The displays that show the identity ramp from the next load on, whatever the position.
    void SetAside(Aside aside) { aside_ = std::move(aside); }
    const Aside& AsideNow() const { return aside_; }

    // End of start-up: LastTintRefresh := now, NudgeCount := 0.
    void ResetRefresh(std::int64_t nowSeconds);

    const GammaRamp& BaseRamp() const { return baseRamp_; }
    const GammaRamp& OutputRamp() const { return outputRamp_; }
    int NudgeCount() const { return nudgeCount_; }
    std::int64_t LastTintRefresh() const { return lastTintRefresh_; }

private:
    GammaRamp baseRamp_{};    // BaseRamp, stored in the ramp layout: channel c level i at c*256+i
    GammaRamp outputRamp_{};  // OutputRamp
    int nudgeCount_ = 0;      // NudgeCount: 0, 5, ..., 55
    std::int64_t lastTintRefresh_ = 0;  // LastTintRefresh, whole seconds of the clock port
    Aside aside_;

    bool Load(GammaDisplay& display);
};

}  // namespace qvx::tint
