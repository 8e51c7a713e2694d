#include "tint/gamma_ramp.h"

#include <cstdint>

#include <gtest/gtest.h>

#include "tests/fakes/fake_gamma_display.h"

namespace qvx::tint {
namespace {

using fakes::FakeGammaDisplay;

constexpr int kRed = 0;
constexpr int kGreen = 256;
constexpr int kBlue = 512;

// The channel formula written out with doubles, as the tint is defined.
std::uint16_t ReferenceLevel(int s, std::int32_t b) {
    double out = 0;
    if (s < 0) {
        const int d = -s;
        const std::int32_t product = (100 - d) * b;
        out = RoundHalfEven(product / 100.0);
    } else if (s == 0) {
        out = b;
    } else {
        const std::int32_t product = (100 - s) * (65535 - b);
        out = RoundHalfEven(65535 - product / 100.0);
    }
    return static_cast<std::uint16_t>(out);
}

TEST(RoundHalfEvenTest, TiesGoToTheEvenNeighbour) {
    const struct {
        double x;
        double expected;
    } cases[] = {
        {0.5, 0},    {1.5, 2},  {2.5, 2},         {32767.5, 32768}, {-0.5, -0}, {-1.5, -2},
        {-2.5, -2},  {0.49, 0}, {0.51, 1},        {3.0, 3},         {-3.4, -3}, {-3.6, -4},
        {8.3333, 8}, {0.0, 0},  {65534.5, 65534}, {1e17, 1e17},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RoundHalfEven(c.x), c.expected) << c.x;
    }
}

TEST(RampWordTest, WordsAndLongsMapUnsigned) {
    const struct {
        std::uint16_t word;
        std::int32_t value;
    } cases[] = {{0, 0}, {1, 1}, {32767, 32767}, {32768, 32768}, {65535, 65535}};
    for (const auto& c : cases) {
        EXPECT_EQ(RampWordToLong(c.word), c.value);
        EXPECT_EQ(LongToRampWord(c.value), c.word);
    }
}

TEST(TintEngineTest, BaseRampIsIdentityInEveryChannel) {
    TintEngine engine;
    engine.InitBaseRamp();
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(engine.BaseRamp()[c * 256 + i], i * 257) << c << "/" << i;
        }
    }
}

TEST(TintEngineTest, FastChannelScalingEqualsTheDoubleFormula) {
    TintEngine engine;
    engine.InitBaseRamp();
    // The program uses -50..+1; the whole percent range shares the same fast path.
    for (int s = -100; s <= 100; ++s) {
        for (std::int16_t c = 0; c < 3; ++c) {
            engine.ScaleRampChannel(static_cast<std::int16_t>(s), c);
            for (int i = 0; i < 256; ++i) {
                ASSERT_EQ(engine.OutputRamp()[c * 256 + i], ReferenceLevel(s, i * 257))
                    << "strength " << s << " channel " << c << " level " << i;
            }
        }
    }
}

TEST(TintEngineTest, StrengthsBeyondOneHundredPercentStayInTheWordRange) {
    TintEngine engine;
    engine.InitBaseRamp();
    const struct {
        std::int16_t strength;
        std::uint16_t level0, level255;
    } cases[] = {{-150, 0, 0}, {-32768, 0, 0}, {150, 65535, 65535}, {32767, 65535, 65535}};
    for (const auto& c : cases) {
        engine.ScaleRampChannel(c.strength, 1);
        EXPECT_EQ(engine.OutputRamp()[kGreen], c.level0) << c.strength;
        EXPECT_EQ(engine.OutputRamp()[kGreen + 255], c.level255) << c.strength;
    }
}

TEST(TintEngineTest, ScalingOneChannelLeavesTheOthers) {
    TintEngine engine;
    engine.InitBaseRamp();
    engine.ScaleRampChannel(-50, 2);
    EXPECT_EQ(engine.OutputRamp()[kRed + 255], 65535);
    EXPECT_EQ(engine.OutputRamp()[kGreen + 255], 65535);
    EXPECT_EQ(engine.OutputRamp()[kBlue + 255], 32768);
}

// Ramp words of a slider position: red/green strength round(v/6), blue strength v.
TEST(TintEngineTest, PositionsGiveTheirRampWords) {
    const struct {
        int v;
        int level;
        std::uint16_t red, green, blue;
    } cases[] = {
        {0, 0, 0, 0, 0},
        {0, 128, 32896, 32896, 32896},
        {0, 255, 65535, 65535, 65535},
        {50, 255, 60292, 60292, 32768},  // 32767.5 rounds to 32768
        {50, 128, 30264, 30264, 16448},
        {50, 0, 0, 0, 0},
        {3, 255, 65535, 65535, 63569},   // g = round(0.5) = 0
        {9, 255, 64224, 64224, 59637},   // g = round(1.5) = 2
        {15, 255, 64224, 64224, 55705},  // g = round(2.5) = 2
        {21, 255, 62914, 62914, 51773},  // g = round(3.5) = 4
        {33, 255, 61603, 61603, 43908},
    };
    for (const auto& c : cases) {
        TintEngine engine;
        engine.InitBaseRamp();
        FakeGammaDisplay display;
        engine.ApplyPosition(c.v, display);
        SCOPED_TRACE(testing::Message() << "v=" << c.v << " level " << c.level);
        EXPECT_EQ(display.loadCount, 1);
        EXPECT_EQ(display.lastRamp, engine.OutputRamp());
        EXPECT_EQ(engine.OutputRamp()[kRed + c.level], c.red);
        EXPECT_EQ(engine.OutputRamp()[kGreen + c.level], c.green);
        EXPECT_EQ(engine.OutputRamp()[kBlue + c.level], c.blue);
    }
}

TEST(TintEngineTest, PositionZeroLoadsTheIdentityAfterATint) {
    TintEngine engine;
    engine.InitBaseRamp();
    FakeGammaDisplay display;
    engine.ApplyPosition(30, display);
    engine.ApplyPosition(0, display);
    EXPECT_EQ(display.loadCount, 2);
    EXPECT_EQ(display.lastRamp, engine.BaseRamp());
}

TEST(TintEngineTest, RefusedLoadIsIgnoredAndRetriedByTheNextRefresh) {
    TintEngine engine;
    engine.InitBaseRamp();
    FakeGammaDisplay display;
    display.refuse = true;
    engine.ResetRefresh(100);
    engine.ApplyPosition(20, display);
    engine.Refresh(20, 101, display);
    EXPECT_EQ(display.loadCount, 2);
    EXPECT_EQ(engine.LastTintRefresh(), 101);
}

// At v = 0 a nudge moves every channel by one percent either way.
TEST(TintEngineTest, NudgesAtPositionZero) {
    const struct {
        int nudgesBefore;  // nudged refreshes already made in the series
        int level;
        std::uint16_t word;
    } cases[] = {
        // First nudge, k = +1: strength -1 darkens.
        {0, 0, 0},
        {0, 255, 64880},
        // Second nudge, k = -1: strength +1 lifts towards 65535.
        {1, 0, 655},
        {1, 128, 33222},
        {1, 255, 65535},
    };
    for (const auto& c : cases) {
        TintEngine engine;
        engine.InitBaseRamp();
        FakeGammaDisplay display;
        engine.ResetRefresh(0);
        std::int64_t now = 10;  // a gap of 10 s starts the series
        for (int n = 0; n <= c.nudgesBefore; ++n) {
            engine.Refresh(0, now++, display);
        }
        SCOPED_TRACE(testing::Message() << "nudge " << c.nudgesBefore << " level " << c.level);
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_EQ(display.lastRamp[channel * 256 + c.level], c.word) << channel;
        }
    }
}

// Offsets of a refresh: the blue strength it loaded minus the set position.
int BlueOffset(const GammaRamp& ramp, int v) {
    for (int s = -2; s <= 2; ++s) {
        TintEngine probe;
        probe.InitBaseRamp();
        probe.ScaleRampChannel(static_cast<std::int16_t>(-(v + s)), 2);
        if (std::equal(ramp.begin() + kBlue, ramp.end(), probe.OutputRamp().begin() + kBlue)) {
            return s;
        }
    }
    return 99;
}

TEST(TintEngineTest, GapOfSixSecondsStartsTwelveNudgedRefreshes) {
    const struct {
        int v;
        int gap;
        std::vector<int> offsets;  // blue offsets of the refreshes after the gap, one a second
    } cases[] = {
        {33, 6, {1, -1, 1, -1, 1, -1, 1, -1, 1, -1, 1, -1, 0, 0}},
        {50, 6, {-1, -2, -1, -2, -1, -2, -1, -2, -1, -2, -1, -2, 0, 0}},
        {20, 7, {1, -1, 1, -1, 1, -1, 1, -1, 1, -1, 1, -1, 0}},
        {33, 5, {0, 0, 0}},
        {33, 1, {0, 0}},
    };
    for (const auto& c : cases) {
        TintEngine engine;
        engine.InitBaseRamp();
        FakeGammaDisplay display;
        engine.ResetRefresh(1000);
        std::int64_t now = 1000 + c.gap;
        for (std::size_t n = 0; n < c.offsets.size(); ++n, ++now) {
            engine.Refresh(c.v, now, display);
            EXPECT_EQ(BlueOffset(display.lastRamp, c.v), c.offsets[n])
                << "v=" << c.v << " gap " << c.gap << " refresh " << n;
            EXPECT_EQ(engine.LastTintRefresh(), now);
        }
        EXPECT_EQ(engine.NudgeCount(), 0);
    }
}

TEST(TintEngineTest, NudgeMovesRedAndGreenWithBlue) {
    TintEngine engine;
    engine.InitBaseRamp();
    FakeGammaDisplay display;
    engine.ResetRefresh(0);
    engine.Refresh(33, 6, display);  // k = +1: g = 6 + 1, blue 34
    TintEngine expected;
    expected.InitBaseRamp();
    expected.ScaleRampChannel(-7, 0);
    expected.ScaleRampChannel(-7, 1);
    expected.ScaleRampChannel(-34, 2);
    EXPECT_EQ(display.lastRamp, expected.OutputRamp());
    EXPECT_EQ(engine.NudgeCount(), 5);
}

TEST(TintEngineTest, ResetRefreshEndsASeries) {
    TintEngine engine;
    engine.InitBaseRamp();
    FakeGammaDisplay display;
    engine.ResetRefresh(0);
    engine.Refresh(33, 10, display);
    ASSERT_EQ(engine.NudgeCount(), 5);
    engine.ResetRefresh(11);
    EXPECT_EQ(engine.NudgeCount(), 0);
    EXPECT_EQ(engine.LastTintRefresh(), 11);
    engine.Refresh(33, 12, display);
    EXPECT_EQ(BlueOffset(display.lastRamp, 33), 0);
}

}  // namespace
}  // namespace qvx::tint
