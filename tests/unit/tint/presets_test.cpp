#include "tint/presets.h"

#include <string>

#include <gtest/gtest.h>

namespace qvx::tint {
namespace {

TEST(PresetsTest, PresetButtonsWriteTheirPositionsAndHighlightThemselves) {
    for (int n = 0; n < 7; ++n) {
        EXPECT_EQ(PresetForPosition(kPresetPositions[n]), n + 1) << kPresetPositions[n];
    }
}

TEST(PresetsTest, EveryBandBoundary) {
    const struct {
        int v;
        int preset;
    } cases[] = {
        {0, 7},  {4, 7},  {5, 6},  {12, 6}, {13, 5}, {20, 5}, {21, 4}, {28, 4},
        {29, 3}, {30, 3}, {36, 3}, {37, 2}, {44, 2}, {45, 1}, {50, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PresetForPosition(c.v), c.preset) << c.v;
    }
}

TEST(PresetsTest, NextPresetUpAndDownAtEveryBandEdge) {
    const struct {
        int v;
        int up;
        int down;
    } cases[] = {
        {0, 9, 0},    {1, 9, 0},    {8, 9, 0},    {9, 17, 0},   {10, 17, 9},  {16, 17, 9},
        {17, 25, 9},  {18, 25, 17}, {24, 25, 17}, {25, 33, 17}, {26, 33, 25}, {32, 33, 25},
        {33, 41, 25}, {34, 41, 33}, {40, 41, 33}, {41, 50, 33}, {42, 50, 41}, {49, 50, 41},
        {50, 50, 41}, {-5, 9, 0},   {70, 50, 41},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NextPresetPosition(c.v, 1), c.up) << c.v;
        EXPECT_EQ(NextPresetPosition(c.v, -1), c.down) << c.v;
        // Only the sign of the direction counts.
        EXPECT_EQ(NextPresetPosition(c.v, 7), c.up) << c.v;
        EXPECT_EQ(NextPresetPosition(c.v, -3), c.down) << c.v;
    }
}

TEST(PresetsTest, StepsWalkEveryPresetAndStopAtTheEnds) {
    int v = 0;
    for (int n = 6; n >= 0; --n) {
        EXPECT_EQ(v, kPresetPositions[n]);
        v = NextPresetPosition(v, 1);
    }
    EXPECT_EQ(v, 50);
    for (int n = 0; n < 7; ++n) {
        EXPECT_EQ(v, kPresetPositions[n]);
        v = NextPresetPosition(v, -1);
    }
    EXPECT_EQ(v, 0);
    EXPECT_EQ(NextPresetPosition(23, 0), 23);
}

TEST(PresetsTest, SmartPositionByHour) {
    const struct {
        int hour;
        int position;
    } cases[] = {{0, 33}, {6, 33}, {7, 17}, {12, 17}, {16, 17}, {17, 33}, {23, 33}};
    for (const auto& c : cases) {
        EXPECT_EQ(SmartPosition(c.hour), c.position) << c.hour;
    }
}

TEST(PresetsTest, StoredStrengthTexts) {
    const struct {
        std::string text;
        std::optional<int> position;
    } cases[] = {
        {"33", 33},
        {"1", 1},
        {"50", 50},
        {"0", 0},
        {"-25", 25},
        {"+7", 7},
        {"  41 ", 41},
        {"12.5", 12},  // ties to even
        {"13.5", 14},
        {"-3.5", 4},  // rounds to -4, absolute value 4
        {"50.4", 50},
        {"50.5", 50},  // ties to even: 50
        {"51", std::nullopt},
        {"70", std::nullopt},
        {"-51", std::nullopt},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"3a", std::nullopt},
        {"1e1", std::nullopt},
        {"0x10", std::nullopt},
        {"1.2.3", std::nullopt},
        {"-", std::nullopt},
        {".", std::nullopt},
        {std::string(4096, '9'), std::nullopt},
        {std::string(4096, '0'), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseStoredStrength(c.text), c.position) << '"' << c.text.substr(0, 20) << '"';
    }
}

TEST(PresetsTest, SwitchTexts) {
    const struct {
        std::string text;
        std::optional<std::int16_t> flag;
    } cases[] = {
        {"1", 1},
        {"0", 0},
        {" 1 ", 1},
        {"0 ", 0},
        {"", std::nullopt},
        {"2", std::nullopt},
        {"-1", std::nullopt},
        {"01", std::nullopt},
        {"yes", std::nullopt},
        {"1.0", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseSwitch(c.text), c.flag) << '"' << c.text << '"';
    }
}

TEST(PresetsTest, CounterTexts) {
    const struct {
        std::string text;
        std::optional<std::int32_t> seconds;
    } cases[] = {
        {"0", 0},
        {"3600", 3600},
        {" 86399 ", 86399},
        {"007", 7},
        {"2147483647", 2147483647},
        {"2147483648", std::nullopt},
        {"-1", std::nullopt},
        {"+5", std::nullopt},
        {"12.5", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"1 2", std::nullopt},
        {std::string(4096, '9'), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseCounter(c.text), c.seconds) << '"' << c.text.substr(0, 20) << '"';
    }
}

}  // namespace
}  // namespace qvx::tint
