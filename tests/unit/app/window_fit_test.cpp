#include "app/window_fit.h"

#include <gtest/gtest.h>

namespace qvx::app {
namespace {

TEST(WindowFitTest, TheDisplaysScaleOrTheLargestThatFits) {
    const struct {
        const char* what;
        double display;
        int width, height;
        PixelRect work;
        double scale;  // expected, to 0.5 %
    } cases[] = {
        {"fits at 100 %", 1.0, 753, 452, {0, 0, 1024, 738}, 1.0},
        {"fits at 150 % on a large screen", 1.5, 753, 452, {0, 0, 1920, 1040}, 1.5},
        {"150 % on 1024 x 768: by the width", 1.5, 753, 452, {0, 0, 1024, 738}, 1024.0 / 753},
        {"200 % on 1280 x 720: by the height", 2.0, 753, 452, {0, 0, 1280, 690}, 690.0 / 452},
        {"a second monitor's work area", 1.25, 520, 640, {1920, 0, 2560, 600}, 600.0 / 640},
        {"exactly the work area", 1.0, 800, 600, {0, 0, 800, 600}, 1.0},
        {"no work area: the display's", 1.5, 753, 452, {0, 0, 0, 0}, 1.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const double scale = FitScale(c.display, c.width, c.height, c.work);
        EXPECT_NEAR(scale, c.scale, c.scale * 0.005);
        // Whatever the scale, the window at it lies inside the work area, rounded up.
        if (c.work.right > c.work.left) {
            EXPECT_LE(static_cast<int>(c.width * scale + 0.5), c.work.right - c.work.left);
            EXPECT_LE(static_cast<int>(c.height * scale + 0.5), c.work.bottom - c.work.top);
        }
    }
}

TEST(WindowFitTest, CentredAndKeptInsideTheWorkArea) {
    const PixelRect work{0, 0, 1024, 738};
    EXPECT_EQ(CentreIn(work, 752, 452), (PixelRect{136, 143, 888, 595}));
    // On a monitor to the right of the primary one, with the taskbar on top.
    EXPECT_EQ(CentreIn(PixelRect{1920, 40, 3200, 1024}, 520, 640),
              (PixelRect{2300, 212, 2820, 852}));
    // Larger than the work area: its top-left corner stays on screen (never off the left edge).
    EXPECT_EQ(CentreIn(work, 1130, 680), (PixelRect{0, 29, 1130, 709}));
    const struct {
        PixelRect window;
        PixelRect kept;
    } keeps[] = {
        {{100, 100, 852, 552}, {100, 100, 852, 552}},     // inside: not moved
        {{-300, 50, 452, 502}, {0, 50, 752, 502}},        // off the left edge
        {{600, 500, 1352, 952}, {272, 286, 1024, 738}},   // off the right and bottom
        {{-50, -50, 1100, 800}, {0, 0, 1150, 850}},       // larger: top-left on screen
    };
    for (const auto& k : keeps) {
        EXPECT_EQ(KeepInside(work, k.window), k.kept);
    }
}

}  // namespace
}  // namespace qvx::app
