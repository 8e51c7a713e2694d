// The desktop gamma adapter on a real display. On an X server without gamma support (Xvfb) the
// display refuses every ramp and the test skips; on Xorg with the dummy driver the ramp loads
// and reads back.

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/fakes/fake_gamma_display.h"
#include "tint/gamma_ramp.h"
#include "tint/win32/gamma_display.h"

namespace qvx {
namespace {

// Reads the display's ramp through a device context of its own.
bool ReadDisplayRamp(GammaRamp& ramp) {
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    const BOOL ok = GetDeviceGammaRamp(dc, ramp.data());
    ReleaseDC(desktop, dc);
    return ok != FALSE;
}

TEST(DesktopGammaDisplayTest, LoadedRampReadsBack) {
    auto display = MakeDesktopGammaDisplay();
    TintEngine engine;
    engine.InitBaseRamp();
    FakeGammaDisplay probe;
    engine.ApplyPosition(33, probe);
    const GammaRamp tinted = engine.OutputRamp();
    if (!display->SetDeviceGammaRamp(tinted)) {
        GTEST_SKIP() << "this display refuses gamma ramps (no gamma support in the X server)";
    }
    // Wine keeps 8 bits per level (a word reads back as (word >> 8) * 257, 61603 as 61680), so
    // the high bytes are what the display holds.
    GammaRamp back{};
    ASSERT_TRUE(ReadDisplayRamp(back));
    for (std::size_t i = 0; i < back.size(); ++i) {
        ASSERT_EQ(back[i] >> 8, tinted[i] >> 8) << i;
    }
    // The blue top level is darkened by a third, red and green by 6 percent.
    EXPECT_EQ(back[767] >> 8, 43908 >> 8);
    EXPECT_EQ(back[255] >> 8, 61603 >> 8);

    // Position 0 restores the identity ramp.
    engine.ApplyPosition(0, *display);
    ASSERT_TRUE(ReadDisplayRamp(back));
    for (std::size_t i = 0; i < back.size(); ++i) {
        ASSERT_EQ(back[i] >> 8, engine.BaseRamp()[i] >> 8) << i;
    }
}

}  // namespace
}  // namespace qvx
