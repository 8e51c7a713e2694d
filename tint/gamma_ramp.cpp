#include "tint/gamma_ramp.h"

#include <cmath>
#include <cstring>

namespace qvx::tint {

namespace {

constexpr int kLevels = 256;
constexpr int kChannels = 3;

// round(n / 100) with ties to even, for n >= 0. Equal to rounding the double quotient: the
// quotient of two integers is correctly rounded, a tie (n mod 100 = 50) is exact in double, and
// every other quotient lies at least 0.01 from a half.
std::int64_t DivideBy100HalfEven(std::int64_t n) {
    std::int64_t q = n / 100;
    const std::int64_t r = n % 100;
    if (r > 50 || (r == 50 && (q & 1) != 0)) {
        ++q;
    }
    return q;
}

// Exact rounding of a signed numerator over 100, ties to even (only reached for strengths
// outside the range the program uses).
std::int64_t DivideBy100HalfEvenSigned(std::int64_t n) {
    return n >= 0 ? DivideBy100HalfEven(n) : -DivideBy100HalfEven(-n);
}

std::uint16_t ClampToWord(std::int64_t value) {
    if (value < 0) {
        return 0;
    }
    if (value > 65535) {
        return 65535;
    }
    return static_cast<std::uint16_t>(value);
}

int RedGreenStrength(int v) {
    return static_cast<int>(RoundHalfEven(v / 6.0));
}

}  // namespace

std::int32_t RampWordToLong(std::uint16_t word) {
    return static_cast<std::int32_t>(word);
}

std::uint16_t LongToRampWord(std::int32_t value) {
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(value) & 0xFFFFu);
}

double RoundHalfEven(double x) {
    const double lower = std::floor(x);
    const double fraction = x - lower;
    if (fraction > 0.5) {
        return lower + 1.0;
    }
    if (fraction < 0.5) {
        return lower;
    }
    // An exact half: the even neighbour.
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

TintEngine::TintEngine() {
    InitBaseRamp();
    outputRamp_ = baseRamp_;
}

void TintEngine::InitBaseRamp() {
    for (int c = 0; c < kChannels; ++c) {
        for (int i = 0; i < kLevels; ++i) {
            baseRamp_[c * kLevels + i] = LongToRampWord(i * 257);
        }
    }
}

void TintEngine::ScaleRampChannel(std::int16_t strength, std::int16_t channel) {
    if (channel < 0 || channel >= kChannels) {
        return;
    }
    const std::uint16_t* base = baseRamp_.data() + channel * kLevels;
    std::uint16_t* out = outputRamp_.data() + channel * kLevels;
    const std::int32_t s = strength;
    if (s == 0) {
        std::memcpy(out, base, kLevels * sizeof(std::uint16_t));
    } else if (s >= -100 && s <= 100) {
        // The strengths the program uses: every numerator is 0..6553500, so 32-bit unsigned
        // arithmetic is exact and the loop vectorises.
        //   s < 0: round((100 - |s|) * b / 100)
        //   s > 0: round(65535 - (100 - s) * (65535 - b) / 100) = round((6553500 - p) / 100)
        const bool lift = s > 0;
        const std::uint32_t factor = static_cast<std::uint32_t>(lift ? 100 - s : 100 + s);
        const std::uint32_t flip = lift ? 65535u : 0u;
        const std::uint32_t offset = lift ? 6553500u : 0u;
        // A local copy of the channel tells the compiler that input and output do not overlap.
        std::uint16_t levels[kLevels];
        std::memcpy(levels, base, sizeof levels);
        for (int i = 0; i < kLevels; ++i) {
            const std::uint32_t b = levels[i];
            const std::uint32_t p = factor * (b ^ flip);  // 65535 - b == b ^ 65535 for 16 bits
            const std::uint32_t n = lift ? offset - p : p;
            std::uint32_t q = n / 100u;
            const std::uint32_t r = n - q * 100u;
            q += static_cast<std::uint32_t>(r > 50u) | (static_cast<std::uint32_t>(r == 50u) & q);
            out[i] = static_cast<std::uint16_t>(q > 65535u ? 65535u : q);
        }
    } else {
        // Strengths beyond 100 percent: signed products, results held to the word range.
        const std::int64_t factor = 100 - (s < 0 ? -s : s);
        for (int i = 0; i < kLevels; ++i) {
            const std::int64_t b = RampWordToLong(base[i]);
            const std::int64_t n = s < 0 ? factor * b : 6553500 - factor * (65535 - b);
            out[i] = ClampToWord(DivideBy100HalfEvenSigned(n));
        }
    }
}

bool TintEngine::ApplyPosition(int v, GammaDisplay& display) {
    const int g = RedGreenStrength(v);
    ScaleRampChannel(static_cast<std::int16_t>(-g), 0);
    ScaleRampChannel(static_cast<std::int16_t>(-g), 1);
    ScaleRampChannel(static_cast<std::int16_t>(-v), 2);
    // A refused load is retried by the next refresh within a second.
    return Load(display);
}

bool TintEngine::Load(GammaDisplay& display) {
    if (aside_.None()) {
        return display.SetDeviceGammaRamp(outputRamp_);
    }
    return display.LoadStepAside(outputRamp_, baseRamp_, aside_);
}

bool TintEngine::Refresh(int v, std::int64_t nowSeconds, GammaDisplay& display) {
    int blue = v;
    int g = RedGreenStrength(v);
    const std::int64_t elapsed = nowSeconds - lastTintRefresh_;
    if (nudgeCount_ != 0 || elapsed >= 6) {
        // After a pause, the display may have dropped the ramp; a short series of slightly
        // different ramps makes sure the driver takes the load again.
        const bool even = nudgeCount_ % 2 == 0;
        const int k = v == 50 ? (even ? -1 : -2) : (even ? 1 : -1);
        blue += k;
        g += k;
        nudgeCount_ += 5;
        if (nudgeCount_ == 60) {
            nudgeCount_ = 0;
        }
    }
    ScaleRampChannel(static_cast<std::int16_t>(-g), 0);
    ScaleRampChannel(static_cast<std::int16_t>(-g), 1);
    ScaleRampChannel(static_cast<std::int16_t>(-blue), 2);
    const bool accepted = Load(display);
    lastTintRefresh_ = nowSeconds;
    return accepted;
}

void TintEngine::ResetRefresh(std::int64_t nowSeconds) {
    lastTintRefresh_ = nowSeconds;
    nudgeCount_ = 0;
}

}  // namespace qvx::tint
