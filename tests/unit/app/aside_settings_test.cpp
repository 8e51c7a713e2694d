#include "app/aside_settings.h"

#include <map>
#include <optional>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace qvx::app {
namespace {

using Stored = std::map<std::string, std::string>;

AsideSettings Load(const Stored& stored, std::set<std::string>* asked = nullptr) {
    return LoadAsideSettings([&stored, asked](const std::string& name) {
        if (asked != nullptr) {
            asked->insert(name);
        }
        const auto found = stored.find(name);
        return found == stored.end() ? std::nullopt : std::optional<std::string>(found->second);
    });
}

// The defaults written out, so a changed default in the header shows here.
AsideSettings Defaults() {
    AsideSettings settings;
    settings.fullScreenPause = false;
    settings.excluded = {};
    settings.warmer = {kModAlt, 0x21};
    settings.cooler = {kModAlt, 0x22};
    settings.pause = {kModAlt, 0x23};
    settings.reminderQuiet = true;
    return settings;
}

TEST(AsideSettingsTest, NothingStoredReadsAsTheDefaults) {
    std::set<std::string> asked;
    EXPECT_EQ(Load({}, &asked), Defaults());
    EXPECT_EQ(asked, (std::set<std::string>{"FullScreenPause", "ExcludedPrograms", "HotkeyWarmer",
                                            "HotkeyCooler", "HotkeyPause", "ReminderQuiet"}));
}

TEST(AsideSettingsTest, EachValueWithItsDefaultForWhatIsMalformed) {
    const struct {
        const char* what;
        Stored stored;
        void (*expect)(AsideSettings&);
    } cases[] = {
        {"full-screen pause on",
         {{"FullScreenPause", "1"}},
         [](AsideSettings& s) { s.fullScreenPause = true; }},
        {"full-screen pause on, with blanks",
         {{"FullScreenPause", " 1 "}},
         [](AsideSettings& s) { s.fullScreenPause = true; }},
        {"full-screen pause off", {{"FullScreenPause", "0"}}, [](AsideSettings&) {}},
        {"full-screen pause malformed", {{"FullScreenPause", "yes"}}, [](AsideSettings&) {}},
        {"full-screen pause empty", {{"FullScreenPause", ""}}, [](AsideSettings&) {}},
        {"quiet reminder off",
         {{"ReminderQuiet", "0"}},
         [](AsideSettings& s) { s.reminderQuiet = false; }},
        {"quiet reminder off, with blanks",
         {{"ReminderQuiet", "  0"}},
         [](AsideSettings& s) { s.reminderQuiet = false; }},
        {"quiet reminder malformed", {{"ReminderQuiet", "00"}}, [](AsideSettings&) {}},
        {"quiet reminder out of range", {{"ReminderQuiet", "2"}}, [](AsideSettings&) {}},
        {"quiet reminder empty", {{"ReminderQuiet", ""}}, [](AsideSettings&) {}},
        {"excluded programs",
         {{"ExcludedPrograms", "photoshop.exe| Lightroom.exe |PHOTOSHOP.EXE||"}},
         [](AsideSettings& s) {
             s.excluded = {"photoshop.exe", "Lightroom.exe"};
         }},
        {"excluded programs empty", {{"ExcludedPrograms", ""}}, [](AsideSettings&) {}},
        {"warmer on another combination",
         {{"HotkeyWarmer", "Ctrl+Shift+F9"}},
         [](AsideSettings& s) {
             s.warmer = {kModControl | kModShift, 0x78};
         }},
        {"cooler turned off", {{"HotkeyCooler", ""}}, [](AsideSettings& s) { s.cooler = {}; }},
        {"pause turned off", {{"HotkeyPause", ""}}, [](AsideSettings& s) { s.pause = {}; }},
        {"pause malformed", {{"HotkeyPause", "Alt+Banana"}}, [](AsideSettings&) {}},
        {"warmer without a modifier", {{"HotkeyWarmer", "PageUp"}}, [](AsideSettings&) {}},
        {"cooler with a repeated modifier",
         {{"HotkeyCooler", "Alt+Alt+PageDown"}},
         [](AsideSettings&) {}},
        {"a value under another name is not read", {{"hotkeywarmer ", ""}}, [](AsideSettings&) {}},
    };
    for (const auto& c : cases) {
        AsideSettings expected = Defaults();
        c.expect(expected);
        EXPECT_EQ(Load(c.stored), expected) << c.what;
    }
}

TEST(AsideSettingsTest, Flags) {
    const struct {
        std::string text;
        std::optional<bool> flag;
    } cases[] = {
        {"1", true},          {"0", false},          {" 1", true},
        {"0  ", false},       {"", std::nullopt},    {" ", std::nullopt},
        {"01", std::nullopt}, {"1.0", std::nullopt}, {"true", std::nullopt},
        {"-1", std::nullopt}, {"1\t", std::nullopt}, {"1 0", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseFlag(c.text), c.flag) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace qvx::app
