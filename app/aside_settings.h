#pragma once
// The settings of stepping aside, pausing and the hotkeys, stored as string values under
// Software\quorvex like every other setting. A missing, malformed or out-of-range value reads
// as its default.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/desktop_ports.h"

namespace qvx::app {

struct AsideSettings {
    bool fullScreenPause = false;        // "FullScreenPause" "1"/"0", default "0"
    std::vector<std::string> excluded;   // "ExcludedPrograms", default ""
    Hotkey warmer{kModAlt, 0x21};        // "HotkeyWarmer", default "Alt+PageUp"
    Hotkey cooler{kModAlt, 0x22};        // "HotkeyCooler", default "Alt+PageDown"
    Hotkey pause{kModAlt, 0x23};         // "HotkeyPause", default "Alt+End"
    bool reminderQuiet = true;           // "ReminderQuiet" "1"/"0", default "1"
    bool operator==(const AsideSettings&) const = default;
};

namespace aside_names {
inline constexpr const char* kFullScreenPause = "FullScreenPause";
inline constexpr const char* kExcludedPrograms = "ExcludedPrograms";
inline constexpr const char* kHotkeyWarmer = "HotkeyWarmer";
inline constexpr const char* kHotkeyCooler = "HotkeyCooler";
inline constexpr const char* kHotkeyPause = "HotkeyPause";
inline constexpr const char* kReminderQuiet = "ReminderQuiet";
inline constexpr const char* kPauseUntil = "PauseUntil";
}  // namespace aside_names

// Reads a value's text; nullopt when it is not stored. A stored "" is a value of its own: an
// empty hotkey text means no hotkey, while a missing one means the default hotkey.
using ReadSetting = std::function<std::optional<std::string>(const std::string& name)>;

// Every value read with its default for what is missing or malformed. Nothing is written.
AsideSettings LoadAsideSettings(const ReadSetting& read);

// A stored flag "1"/"0" (blanks around ignored); anything else -> nullopt.
std::optional<bool> ParseFlag(std::string_view text);

}  // namespace qvx::app
