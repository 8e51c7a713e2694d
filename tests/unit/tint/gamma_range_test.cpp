#include "tint/gamma_range.h"

#include <cstdint>
#include <set>

#include <gtest/gtest.h>

#include "tests/fakes/fake_gamma_display.h"
#include "tint/gamma_ramp.h"

namespace qvx::tint {
namespace {

using fakes::FakeGammaDisplay;

GammaRamp Identity() {
    GammaRamp ramp{};
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 256; ++i) {
            ramp[static_cast<std::size_t>(c * 256 + i)] = static_cast<std::uint16_t>(i * 257);
        }
    }
    return ramp;
}

TEST(GammaRangeTest, EdgesOfTheDefaultRange) {
    const struct {
        const char* what;
        int index;            // word changed in the identity ramp (-1: a whole channel)
        std::uint16_t value;  // its new value
        int channel;          // for a whole channel
        bool inside;
    } cases[] = {
        {"identity", 0, 0, 0, true},
        {"blue top 128 levels down", 767, 127 * 256, 0, true},
        {"blue top 128 levels down, low byte 255", 767, 127 * 256 + 255, 0, true},
        {"blue top 129 levels down", 767, 127 * 256 - 1, 0, false},
        {"red bottom 128 levels up", 0, 128 * 256 + 255, 0, true},
        {"red bottom 129 levels up", 0, 129 * 256, 0, false},
        {"green level 200 at 72", 256 + 200, 72 * 256, 0, true},
        {"green level 200 at 71", 256 + 200, 71 * 256 + 255, 0, false},
        {"an all-black channel", -1, 0, 2, false},
        {"an all-white channel", -1, 65535, 0, false},
    };
    for (const auto& c : cases) {
        GammaRamp ramp = Identity();
        if (c.index >= 0) {
            ramp[static_cast<std::size_t>(c.index)] = c.value;
        } else {
            for (int i = 0; i < 256; ++i) {
                ramp[static_cast<std::size_t>(c.channel * 256 + i)] = c.value;
            }
        }
        EXPECT_EQ(InsideGammaRange(ramp), c.inside) << c.what;
    }
}

TEST(GammaRangeTest, TheWidenedRangeTakesAnyRamp) {
    GammaRamp black{};
    EXPECT_FALSE(InsideGammaRange(black));
    EXPECT_TRUE(InsideGammaRange(black, 256));
}

// Every ramp the tint can load: the ramp of each position 0-50 and every nudged refresh around
// it (both directions of the nudge, after a gap).
TEST(GammaRangeTest, EveryPositionAndEveryNudgedRefreshStaysInside) {
    std::set<int> blueTops;
    for (int v = 0; v <= 50; ++v) {
        TintEngine engine;
        engine.InitBaseRamp();
        FakeGammaDisplay display;
        engine.ApplyPosition(v, display);
        ASSERT_TRUE(InsideGammaRange(display.lastRamp)) << "position " << v;
        blueTops.insert(display.lastRamp[767]);

        engine.ResetRefresh(0);
        std::int64_t now = 6;  // a gap: the twelve nudged refreshes follow
        for (int i = 0; i < 14; ++i) {
            engine.Refresh(v, now++, display);
            ASSERT_TRUE(InsideGammaRange(display.lastRamp))
                << "position " << v << " refresh " << i << " nudge " << engine.NudgeCount();
            blueTops.insert(display.lastRamp[767]);
        }
    }
    // The strongest blue reached is half the level (position 50 and the nudge of 49), one level
    // inside the edge of the range.
    EXPECT_EQ(*blueTops.begin(), 32768);
    EXPECT_EQ(*blueTops.begin() >> 8, 255 - kDefaultGammaRange + 1);
}

}  // namespace
}  // namespace qvx::tint
