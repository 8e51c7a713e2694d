#include "app/aside_settings.h"

#include "app/hotkey_text.h"
#include "app/step_aside.h"
#include "base/text.h"

namespace qvx::app {

namespace {

bool FlagOr(const ReadSetting& read, const char* name, bool fallback) {
    const std::optional<std::string> text = read(name);
    const std::optional<bool> flag = text ? ParseFlag(*text) : std::nullopt;
    return flag.value_or(fallback);
}

// A stored "" is no hotkey (ParseHotkey says so); a missing or malformed text the default.
Hotkey HotkeyOr(const ReadSetting& read, const char* name, const Hotkey& fallback) {
    const std::optional<std::string> text = read(name);
    const std::optional<Hotkey> hotkey = text ? ParseHotkey(*text) : std::nullopt;
    return hotkey.value_or(fallback);
}

}  // namespace

AsideSettings LoadAsideSettings(const ReadSetting& read) {
    const AsideSettings defaults;
    AsideSettings settings;
    settings.fullScreenPause =
        FlagOr(read, aside_names::kFullScreenPause, defaults.fullScreenPause);
    settings.excluded = ParseProgramList(read(aside_names::kExcludedPrograms).value_or(""));
    settings.warmer = HotkeyOr(read, aside_names::kHotkeyWarmer, defaults.warmer);
    settings.cooler = HotkeyOr(read, aside_names::kHotkeyCooler, defaults.cooler);
    settings.pause = HotkeyOr(read, aside_names::kHotkeyPause, defaults.pause);
    settings.reminderQuiet = FlagOr(read, aside_names::kReminderQuiet, defaults.reminderQuiet);
    return settings;
}

std::optional<bool> ParseFlag(std::string_view text) {
    const std::string trimmed = base::TrimSpaces(text);
    if (trimmed == "1") {
        return true;
    }
    if (trimmed == "0") {
        return false;
    }
    return std::nullopt;
}

}  // namespace qvx::app
