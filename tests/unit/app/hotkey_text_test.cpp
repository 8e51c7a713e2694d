#include "app/hotkey_text.h"

#include <cstdint>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace qvx::app {
namespace {

constexpr std::uint32_t kCtrl = kModControl;
constexpr std::uint32_t kAlt = kModAlt;
constexpr std::uint32_t kShift = kModShift;
constexpr std::uint32_t kWin = kModWin;

TEST(HotkeyTextTest, TextsThatAreHotkeys) {
    const struct {
        std::string text;
        Hotkey hotkey;
    } cases[] = {
        {"Alt+PageUp", {kAlt, 0x21}},
        {"Alt+PageDown", {kAlt, 0x22}},
        {"Alt+End", {kAlt, 0x23}},
        {"Alt+Home", {kAlt, 0x24}},
        {"Alt+Left", {kAlt, 0x25}},
        {"Alt+Up", {kAlt, 0x26}},
        {"Alt+Right", {kAlt, 0x27}},
        {"Alt+Down", {kAlt, 0x28}},
        {"Alt+Insert", {kAlt, 0x2D}},
        {"Alt+Delete", {kAlt, 0x2E}},
        {"Alt+Space", {kAlt, 0x20}},
        {"Alt+Pause", {kAlt, 0x13}},
        {"Ctrl+0", {kCtrl, 0x30}},
        {"Ctrl+9", {kCtrl, 0x39}},
        {"Ctrl+A", {kCtrl, 0x41}},
        {"Ctrl+z", {kCtrl, 0x5A}},
        {"Shift+Num0", {kShift, 0x60}},
        {"Shift+num9", {kShift, 0x69}},
        {"Ctrl+Shift+F9", {kCtrl | kShift, 0x78}},
        {"F1", {0, 0x70}},
        {"F12", {0, 0x7B}},
        {"f24", {0, 0x87}},
        {"Win+F13", {kWin, 0x7C}},
        {"Control+A", {kCtrl, 0x41}},
        {"alt+pageup", {kAlt, 0x21}},
        {"ALT+PAGEUP", {kAlt, 0x21}},
        {"Shift+Win+Alt+Ctrl+Q", {kCtrl | kAlt | kShift | kWin, 0x51}},
        {" Alt + End ", {kAlt, 0x23}},
        {"", {}},
        {"   ", {}},
    };
    for (const auto& c : cases) {
        const std::optional<Hotkey> parsed = ParseHotkey(c.text);
        ASSERT_TRUE(parsed.has_value()) << '"' << c.text << '"';
        EXPECT_EQ(*parsed, c.hotkey) << '"' << c.text << '"';
    }
}

TEST(HotkeyTextTest, TextsThatAreNot) {
    const char* const cases[] = {
        "A",           "PageUp",      "Num5",         "Alt",      "Ctrl+Alt",  "Alt+Shift",
        "Alt+",        "+A",          "Alt++A",       "Alt+A+",   "Alt+Alt+A", "Ctrl+Control+A",
        "Alt+A+Shift", "Alt+F0",      "Alt+F25",      "Alt+F01",  "F",         "Alt+Num10",
        "Alt+Num",     "Alt+Esc",     "Alt+AB",       "Alt+PgUp", "Hyper+A",   "Alt-PageUp",
        "Alt PageUp",  "Alt+Page Up", "Alt+\xC3\xA9", "Alt+?",    "Alt+Tab",   "Alt+ +A",
    };
    for (const char* text : cases) {
        EXPECT_EQ(ParseHotkey(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(HotkeyTextTest, FormattedTexts) {
    const struct {
        Hotkey hotkey;
        std::string text;
    } cases[] = {
        {{kAlt, 0x21}, "Alt+PageUp"},
        {{kCtrl | kAlt | kShift | kWin, 0x78}, "Ctrl+Alt+Shift+Win+F9"},
        {{kWin | kShift, 0x41}, "Shift+Win+A"},
        {{kShift, 0x65}, "Shift+Num5"},
        {{0, 0x87}, "F24"},
        {{kAlt | 0x4000, 0x23}, "Alt+End"},  // the no-repeat flag has no text
        {{}, ""},
        {{kAlt, 0}, ""},
        {{kAlt, 0x1B}, ""},  // Esc has no text form
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatHotkey(c.hotkey), c.text) << c.text;
    }
}

TEST(HotkeyTextTest, EveryKeyWithATextReadsBackTheSame) {
    const std::uint32_t modifierSets[] = {kAlt, kCtrl | kShift, kCtrl | kAlt | kShift | kWin};
    int named = 0;
    for (std::uint32_t key = 1; key < 256; ++key) {
        for (std::uint32_t modifiers : modifierSets) {
            const Hotkey hotkey{modifiers, key};
            const std::string text = FormatHotkey(hotkey);
            if (text.empty()) {
                continue;
            }
            ++named;
            EXPECT_EQ(ParseHotkey(text), hotkey) << text;
        }
    }
    // 12 named keys, 10 digits, 26 letters, 10 numpad digits, 24 function keys.
    EXPECT_EQ(named, 82 * 3);
}

TEST(HotkeyTextTest, RecordingACombination) {
    const struct {
        const char* what;
        std::uint32_t modifiers;
        std::uint32_t key;
        std::optional<Hotkey> hotkey;
    } cases[] = {
        {"Alt+PageUp", kAlt, 0x21, Hotkey{kAlt, 0x21}},
        {"Ctrl+Shift+F9", kCtrl | kShift, 0x78, Hotkey{kCtrl | kShift, 0x78}},
        {"F5 alone", 0, 0x74, Hotkey{0, 0x74}},
        {"no-repeat flag dropped", kAlt | 0x4000, 0x41, Hotkey{kAlt, 0x41}},
        {"a letter alone", 0, 0x41, std::nullopt},
        {"Alt held (VK_MENU)", kAlt, 0x12, std::nullopt},
        {"Ctrl held (VK_CONTROL)", kCtrl, 0x11, std::nullopt},
        {"Shift held (VK_SHIFT)", kShift, 0x10, std::nullopt},
        {"left Win held", kWin, 0x5B, std::nullopt},
        {"right Ctrl held", kCtrl, 0xA3, std::nullopt},
        {"Escape", kAlt, 0x1B, std::nullopt},
        {"Tab", kAlt, 0x09, std::nullopt},
        {"no key", kAlt, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HotkeyFromKeys(c.modifiers, c.key), c.hotkey) << c.what;
    }
}

}  // namespace
}  // namespace qvx::app
