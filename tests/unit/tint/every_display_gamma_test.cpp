#include "tint/every_display_gamma.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/fakes/fake_display_devices.h"
#include "tests/fakes/fake_gamma_display.h"
#include "tint/gamma_ramp.h"

namespace qvx::tint {
namespace {

using fakes::FakeDisplayDevices;
using fakes::RampAtPosition;

using Names = std::vector<std::string>;

class EveryDisplayGammaTest : public ::testing::Test {
protected:
    EveryDisplayGammaTest() {
        desk.Plug("\\\\.\\DISPLAY1").Plug("\\\\.\\DISPLAY2").Plug("\\\\.\\DISPLAY3");
    }
    FakeDisplayDevices::Display& D(int n) {
        return desk.displays["\\\\.\\DISPLAY" + std::to_string(n)];
    }
    FakeDisplayDevices desk;
};

TEST_F(EveryDisplayGammaTest, EveryDisplayTakesTheSameWords) {
    EveryDisplayGamma gamma(desk);
    EXPECT_EQ(gamma.Names(), (Names{"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2", "\\\\.\\DISPLAY3"}));
    const GammaRamp ramp = RampAtPosition(33);
    EXPECT_TRUE(gamma.SetDeviceGammaRamp(ramp));
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(D(n).loadCount, 1) << n;
        EXPECT_EQ(D(n).lastRamp, ramp) << n;
        EXPECT_EQ(D(n).openContexts, 1) << n;
    }
    EXPECT_EQ(desk.displays.count(""), 0u);  // the desktop's context is not needed
}

TEST_F(EveryDisplayGammaTest, OneRefusingDisplayFailsTheLoadYetTheOthersTakeIt) {
    D(2).refuse = true;
    EveryDisplayGamma gamma(desk);
    const GammaRamp ramp = RampAtPosition(20);
    EXPECT_FALSE(gamma.SetDeviceGammaRamp(ramp));
    EXPECT_EQ(D(1).lastRamp, ramp);
    EXPECT_EQ(D(3).lastRamp, ramp);  // tried after the refusal of display 2
    EXPECT_EQ(D(2).loadCount, 1);
    D(2).refuse = false;
    EXPECT_TRUE(gamma.SetDeviceGammaRamp(ramp));
}

TEST_F(EveryDisplayGammaTest, ListingAgainKeepsOpensAndReleasesContexts) {
    EveryDisplayGamma gamma(desk);
    desk.Unplug("\\\\.\\DISPLAY2");
    gamma.DisplaysChanged();
    EXPECT_EQ(gamma.Names(), (Names{"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY3"}));
    EXPECT_EQ(D(2).openContexts, 0);  // released when it went
    EXPECT_TRUE(gamma.SetDeviceGammaRamp(RampAtPosition(10)));
    EXPECT_EQ(D(2).loadCount, 0);

    desk.Plug("\\\\.\\DISPLAY2");
    desk.Plug("\\\\.\\DISPLAY4");
    gamma.DisplaysChanged();
    EXPECT_EQ(gamma.Names(),
              (Names{"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2", "\\\\.\\DISPLAY3", "\\\\.\\DISPLAY4"}));
    // Displays that stayed keep the context they had; the returning one gets a new one.
    EXPECT_EQ(D(1).opened, 1);
    EXPECT_EQ(D(3).opened, 1);
    EXPECT_EQ(D(2).opened, 2);
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(D(n).openContexts, 1) << n;
    }
    const GammaRamp ramp = RampAtPosition(40);
    EXPECT_TRUE(gamma.SetDeviceGammaRamp(ramp));
    EXPECT_EQ(D(4).lastRamp, ramp);
    EXPECT_EQ(D(2).lastRamp, ramp);
}

TEST_F(EveryDisplayGammaTest, NoDisplayOfItsOwnFallsBackToTheDesktop) {
    const struct {
        const char* what;
        bool listNone;  // the platform lists no display
        bool openNone;  // the listed displays give no context
    } cases[] = {
        {"nothing listed", true, false},
        {"nothing opens", false, true},
    };
    for (const auto& c : cases) {
        FakeDisplayDevices devices;
        if (!c.listNone) {
            devices.Plug("\\\\.\\DISPLAY1");
            devices.displays["\\\\.\\DISPLAY1"].opens = !c.openNone;
        }
        EveryDisplayGamma gamma(devices);
        EXPECT_EQ(gamma.Names(), Names{""}) << c.what;
        const GammaRamp ramp = RampAtPosition(25);
        EXPECT_TRUE(gamma.SetDeviceGammaRamp(ramp)) << c.what;
        EXPECT_EQ(devices.displays[""].lastRamp, ramp) << c.what;

        // A display that appears later replaces the desktop's context.
        devices.Plug("\\\\.\\DISPLAY9");
        gamma.DisplaysChanged();
        EXPECT_EQ(gamma.Names(), Names{"\\\\.\\DISPLAY9"}) << c.what;
        EXPECT_EQ(devices.displays[""].openContexts, 0) << c.what;
    }
}

TEST_F(EveryDisplayGammaTest, NothingToLoadIntoIsARefusal) {
    FakeDisplayDevices devices;
    devices.displays[""].opens = false;
    EveryDisplayGamma gamma(devices);
    EXPECT_TRUE(gamma.Names().empty());
    EXPECT_FALSE(gamma.SetDeviceGammaRamp(RampAtPosition(0)));
}

TEST_F(EveryDisplayGammaTest, EveryContextIsReleasedAtTheEnd) {
    {
        EveryDisplayGamma gamma(desk);
        ASSERT_EQ(D(1).openContexts + D(2).openContexts + D(3).openContexts, 3);
    }
    EXPECT_EQ(D(1).openContexts + D(2).openContexts + D(3).openContexts, 0);
}

}  // namespace
}  // namespace qvx::tint
