#include "tests/fakes/desktop_fakes.h"

#include <gtest/gtest.h>

namespace qvx::fakes {
namespace {

using app::Hotkey;
using app::HotkeyRegistration;

// The suites that register hotkeys rely on the fake refusing what the platform refuses.
TEST(DesktopFakesTest, HotkeysRefuseCombinationsAlreadyTaken) {
    const Hotkey warmer{app::kModAlt, 0x21};
    const Hotkey cooler{app::kModAlt, 0x22};
    const Hotkey pause{app::kModAlt, 0x23};
    FakeHotkeys hotkeys;
    hotkeys.heldByAnother = {cooler};
    hotkeys.failing = {pause};

    EXPECT_EQ(hotkeys.Register(1, warmer), HotkeyRegistration::Registered);
    EXPECT_EQ(hotkeys.Register(2, cooler), HotkeyRegistration::HeldByAnother);
    EXPECT_EQ(hotkeys.Register(3, pause), HotkeyRegistration::Failed);
    EXPECT_EQ(hotkeys.Register(4, warmer), HotkeyRegistration::HeldByAnother);  // ours already
    EXPECT_EQ(hotkeys.Register(1, Hotkey{app::kModControl, 0x41}), HotkeyRegistration::Failed);
    EXPECT_EQ(hotkeys.registered, (std::map<int, Hotkey>{{1, warmer}}));

    hotkeys.Unregister(1);
    EXPECT_TRUE(hotkeys.registered.empty());
    EXPECT_EQ(hotkeys.Register(4, warmer), HotkeyRegistration::Registered);
    EXPECT_EQ(hotkeys.registerCalls, 6);
    EXPECT_EQ(hotkeys.unregisterCalls, 1);
}

TEST(DesktopFakesTest, ProgramPickerAnswersAsScripted) {
    FakeProgramPicker picker;
    EXPECT_EQ(picker.ChooseProgram(), std::nullopt);
    picker.answer = "C:\\Apps\\vlc.exe";
    EXPECT_EQ(picker.ChooseProgram(), "C:\\Apps\\vlc.exe");
    EXPECT_EQ(picker.calls, 2);
}

}  // namespace
}  // namespace qvx::fakes
