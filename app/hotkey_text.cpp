#include "app/hotkey_text.h"

#include <vector>

#include "base/text.h"

namespace qvx::app {

namespace {

// Virtual-key codes of the keys with a text form, and of the modifier keys themselves.
constexpr std::uint32_t kVkPause = 0x13;
constexpr std::uint32_t kVkSpace = 0x20;
constexpr std::uint32_t kVk0 = 0x30;
constexpr std::uint32_t kVk9 = 0x39;
constexpr std::uint32_t kVkA = 0x41;
constexpr std::uint32_t kVkZ = 0x5A;
constexpr std::uint32_t kVkNumpad0 = 0x60;
constexpr std::uint32_t kVkNumpad9 = 0x69;
constexpr std::uint32_t kVkF1 = 0x70;
constexpr std::uint32_t kVkF24 = 0x87;

struct NamedKey {
    std::string_view name;
    std::uint32_t key;
};

constexpr NamedKey kNamedKeys[] = {
    {"PageUp", 0x21}, {"PageDown", 0x22}, {"End", 0x23},       {"Home", 0x24},
    {"Left", 0x25},   {"Up", 0x26},       {"Right", 0x27},     {"Down", 0x28},
    {"Insert", 0x2D}, {"Delete", 0x2E},   {"Space", kVkSpace}, {"Pause", kVkPause},
};

struct NamedModifier {
    std::string_view name;
    std::uint32_t flag;
};

// In the order the text form writes them; "Control" is read as "Ctrl".
constexpr NamedModifier kModifiers[] = {
    {"Ctrl", kModControl}, {"Alt", kModAlt}, {"Shift", kModShift}, {"Win", kModWin}};

constexpr std::uint32_t kAllModifiers = kModControl | kModAlt | kModShift | kModWin;

using base::AsciiLower;

bool IsFunctionKey(std::uint32_t key) {
    return key >= kVkF1 && key <= kVkF24;
}

std::optional<std::uint32_t> ModifierFlag(std::string_view name) {
    if (base::EqualIgnoringAsciiCase(name, "Control")) {
        return kModControl;
    }
    for (const NamedModifier& modifier : kModifiers) {
        if (base::EqualIgnoringAsciiCase(name, modifier.name)) {
            return modifier.flag;
        }
    }
    return std::nullopt;
}

// "1-24" without a leading zero -> the number; nullopt otherwise.
std::optional<int> SmallNumber(std::string_view text) {
    if (text.empty() || text.size() > 2 || text.front() == '0') {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<std::uint32_t> KeyFromName(std::string_view name) {
    if (name.size() == 1) {
        const char c = AsciiLower(name)[0];
        if (c >= 'a' && c <= 'z') {
            return kVkA + static_cast<std::uint32_t>(c - 'a');
        }
        if (c >= '0' && c <= '9') {
            return kVk0 + static_cast<std::uint32_t>(c - '0');
        }
        return std::nullopt;
    }
    for (const NamedKey& named : kNamedKeys) {
        if (base::EqualIgnoringAsciiCase(name, named.name)) {
            return named.key;
        }
    }
    const std::string lower = AsciiLower(name);
    if (lower.size() == 4 && lower.starts_with("num") && lower[3] >= '0' && lower[3] <= '9') {
        return kVkNumpad0 + static_cast<std::uint32_t>(lower[3] - '0');
    }
    if (lower.starts_with("f")) {
        const std::optional<int> number = SmallNumber(std::string_view(lower).substr(1));
        if (number && *number >= 1 && *number <= 24) {
            return kVkF1 + static_cast<std::uint32_t>(*number - 1);
        }
    }
    return std::nullopt;
}

std::optional<std::string> KeyName(std::uint32_t key) {
    if (key >= kVkA && key <= kVkZ) {
        return std::string(1, static_cast<char>('A' + (key - kVkA)));
    }
    if (key >= kVk0 && key <= kVk9) {
        return std::string(1, static_cast<char>('0' + (key - kVk0)));
    }
    if (key >= kVkNumpad0 && key <= kVkNumpad9) {
        // Built by appending: GCC 12 warns falsely of overlapping copies for "Num" + text.
        std::string name = "Num";
        name.push_back(static_cast<char>('0' + (key - kVkNumpad0)));
        return name;
    }
    if (IsFunctionKey(key)) {
        std::string name = "F";
        name.append(std::to_string(key - kVkF1 + 1));
        return name;
    }
    for (const NamedKey& named : kNamedKeys) {
        if (named.key == key) {
            return std::string(named.name);
        }
    }
    return std::nullopt;
}

// Without a modifier only a function key is a hotkey: any other key would be taken from every
// program's typing.
bool Acceptable(std::uint32_t modifiers, std::uint32_t key) {
    return modifiers != 0 || IsFunctionKey(key);
}

}  // namespace

std::optional<Hotkey> ParseHotkey(std::string_view text) {
    const std::string trimmed = base::TrimSpaces(text);
    if (trimmed.empty()) {
        return Hotkey{};
    }
    std::vector<std::string> tokens;
    std::size_t start = 0;
    while (true) {
        const std::size_t plus = trimmed.find('+', start);
        const std::size_t end = plus == std::string::npos ? trimmed.size() : plus;
        tokens.push_back(base::TrimSpaces(std::string_view(trimmed).substr(start, end - start)));
        if (plus == std::string::npos) {
            break;
        }
        start = plus + 1;
    }
    std::uint32_t modifiers = 0;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        const std::optional<std::uint32_t> flag = ModifierFlag(tokens[i]);
        if (!flag || (modifiers & *flag) != 0) {
            return std::nullopt;
        }
        modifiers |= *flag;
    }
    const std::optional<std::uint32_t> key = KeyFromName(tokens.back());
    if (!key || !Acceptable(modifiers, *key)) {
        return std::nullopt;
    }
    return Hotkey{modifiers, *key};
}

std::string FormatHotkey(const Hotkey& hotkey) {
    const std::optional<std::string> key = KeyName(hotkey.key);
    if (hotkey.None() || !key) {
        return {};
    }
    std::string text;
    for (const NamedModifier& modifier : kModifiers) {
        if ((hotkey.modifiers & modifier.flag) != 0) {
            text += modifier.name;
            text += '+';
        }
    }
    text.append(*key);
    return text;
}

std::optional<Hotkey> HotkeyFromKeys(std::uint32_t modifiers, std::uint32_t virtualKey) {
    // A modifier key itself has no text form, so it waits for the key that completes it.
    modifiers &= kAllModifiers;
    if (!KeyName(virtualKey) || !Acceptable(modifiers, virtualKey)) {
        return std::nullopt;
    }
    return Hotkey{modifiers, virtualKey};
}

}  // namespace qvx::app
