#pragma once
// Hotkeys as text: modifiers joined by "+" then the key, e.g. "Alt+PageUp", "Ctrl+Shift+F9";
// the empty text is no hotkey.

#include <optional>
#include <string>
#include <string_view>

#include "app/desktop_ports.h"

namespace qvx::app {

// Modifiers "Ctrl" (or "Control"), "Alt", "Shift", "Win", any order, case ignored, each once;
// the key last: a letter, a digit, F1-F24, PageUp, PageDown, Home, End, Insert, Delete, Up,
// Down, Left, Right, Space, Pause, or a numpad key Num0-Num9. At least one modifier unless the
// key is F1-F24. "" -> a Hotkey with no key. nullopt for any other text.
std::optional<Hotkey> ParseHotkey(std::string_view text);

// The text form, modifiers in the order Ctrl, Alt, Shift, Win; "" for no hotkey. Parsing it
// gives the same hotkey back.
std::string FormatHotkey(const Hotkey& hotkey);

// A combination pressed while a hotkey field records: the modifier flags held and the key's
// virtual-key code. nullopt while only modifiers are held, the key has no text form, or it is
// not a hotkey ParseHotkey accepts (a key other than F1-F24 without a modifier).
std::optional<Hotkey> HotkeyFromKeys(std::uint32_t modifiers, std::uint32_t virtualKey);

}  // namespace qvx::app
