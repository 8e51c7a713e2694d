// The gamma adapters on a real display: the desktop window's context, and every display device
// attached to the desktop, each with a context of its own. On an X server without gamma support
// (Xvfb) every display refuses ramps and the loading tests skip (reported as skipped); where
// QVX_GAMMA_MUST_LOAD is set (the Xorg dummy-driver run) a refusal fails them instead.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "tests/fakes/fake_gamma_display.h"
#include "tint/every_display_gamma.h"
#include "tint/gamma_ramp.h"
#include "tint/win32/gamma_display.h"

namespace qvx::tint::win32 {
namespace {

using fakes::RampAtPosition;

bool RampsMustLoad() {
    const char* must = std::getenv("QVX_GAMMA_MUST_LOAD");
    return must != nullptr && *must != '\0' && *must != '0';
}

#define QVX_REQUIRE_LOADED(loaded)                                                         \
    do {                                                                                   \
        if (!(loaded)) {                                                                   \
            if (RampsMustLoad()) {                                                         \
                FAIL() << "the display refused the ramp where ramps must load";            \
            }                                                                              \
            GTEST_SKIP() << "this display refuses gamma ramps (no gamma support in the X " \
                            "server)";                                                     \
        }                                                                                  \
    } while (false)

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());  // device names are ASCII
}

// Reads a display's ramp through a device context of its own ("" : the desktop window's).
bool ReadDisplayRamp(const std::string& device, GammaRamp& ramp) {
    if (device.empty()) {
        HWND desktop = GetDesktopWindow();
        HDC dc = GetDC(desktop);
        const BOOL ok = GetDeviceGammaRamp(dc, ramp.data());
        ReleaseDC(desktop, dc);
        return ok != FALSE;
    }
    const std::wstring name = Wide(device);
    HDC dc = CreateDCW(name.c_str(), name.c_str(), nullptr, nullptr);
    if (dc == nullptr) {
        return false;
    }
    const BOOL ok = GetDeviceGammaRamp(dc, ramp.data());
    DeleteDC(dc);
    return ok != FALSE;
}

// Wine keeps 8 bits per level (a word reads back as (word >> 8) * 257, 61603 as 61680), so the
// high bytes are what the display holds.
::testing::AssertionResult HoldsRamp(const std::string& device, const GammaRamp& expected) {
    GammaRamp back{};
    if (!ReadDisplayRamp(device, back)) {
        return ::testing::AssertionFailure() << "no ramp read from '" << device << "'";
    }
    for (std::size_t i = 0; i < back.size(); ++i) {
        if (back[i] >> 8 != expected[i] >> 8) {
            return ::testing::AssertionFailure() << "'" << device << "' word " << i << " is "
                                                 << back[i] << ", expected " << expected[i];
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(DesktopGammaDisplayTest, LoadedRampReadsBack) {
    auto display = MakeDesktopGammaDisplay();
    const GammaRamp tinted = RampAtPosition(33);
    QVX_REQUIRE_LOADED(display->SetDeviceGammaRamp(tinted));
    EXPECT_TRUE(HoldsRamp("", tinted));
    // The blue top level is darkened by a third, red and green by 6 percent.
    EXPECT_EQ(tinted[767], 43908);
    EXPECT_EQ(tinted[255], 61603);

    // Position 0 restores the identity ramp.
    ASSERT_TRUE(display->SetDeviceGammaRamp(RampAtPosition(0)));
    EXPECT_TRUE(HoldsRamp("", RampAtPosition(0)));
}

TEST(Win32DisplayDevicesTest, ListsTheDisplaysOfTheDesktopAndOpensEach) {
    Win32DisplayDevices devices;
    const auto names = devices.AttachedDisplays();
    ASSERT_FALSE(names.empty());
    std::string listed;
    for (const std::string& name : names) {
        EXPECT_EQ(name.rfind("\\\\.\\DISPLAY", 0), 0u) << name;
        EXPECT_NE(devices.Open(name), nullptr) << name;
        EXPECT_EQ(std::count(names.begin(), names.end(), name), 1) << name;
        listed += " " + name;
    }
    std::printf("displays attached to the desktop:%s\n", listed.c_str());
    EXPECT_NE(devices.Open(""), nullptr);
}

TEST(Win32DisplayDevicesTest, EveryDisplayHoldsTheRampOfAPositionAndTheIdentityAfter) {
    Win32DisplayDevices devices;
    EveryDisplayGamma gamma(devices);
    const auto names = gamma.Names();
    ASSERT_FALSE(names.empty());
    ASSERT_FALSE(names.front().empty()) << "the displays were not listed";

    TintEngine engine;
    engine.InitBaseRamp();
    QVX_REQUIRE_LOADED(engine.ApplyPosition(41, gamma));
    for (const std::string& name : names) {
        EXPECT_TRUE(HoldsRamp(name, engine.OutputRamp()));
    }
    EXPECT_TRUE(HoldsRamp("", engine.OutputRamp()));  // what the whole screen shows

    ASSERT_TRUE(engine.ApplyPosition(0, gamma));
    for (const std::string& name : names) {
        EXPECT_TRUE(HoldsRamp(name, engine.BaseRamp()));
    }
    EXPECT_TRUE(HoldsRamp("", engine.BaseRamp()));
}

}  // namespace
}  // namespace qvx::tint::win32
