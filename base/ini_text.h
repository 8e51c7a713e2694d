#pragma once
// One rule for reading INI text, shared by the side that writes the update information file
// (the publisher) and the sides that read it (the updater, the service): a line whose text,
// blanks trimmed, starts with '[' opens a section named by what follows, up to the first ']' or
// the line's end, blanks trimmed; a line starting with ';' is a comment; any other line with an
// '=' is a key and its value, both trimmed. Lines end at LF (a CR before it is a blank).

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace qvx::base {

// Without the blanks (space, tab, CR, LF, NUL) at either end.
std::string_view IniTrim(std::string_view text);
// ASCII letters compared without regard to case, as section and key names are.
bool IniNamesEqual(std::string_view a, std::string_view b);
// The section a line opens, or nothing when it opens none.
std::optional<std::string_view> IniSectionName(std::string_view line);

// Every line of text with the section it lies in ("" before the first), in order.
void ForEachIniLine(
    std::string_view text,
    const std::function<void(std::string_view section, std::string_view line)>& visit);
// Every key line, in order: section, key and value.
void ForEachIniEntry(std::string_view text,
                     const std::function<void(std::string_view section, std::string_view key,
                                              std::string_view value)>& visit);
// The value of the first line of key in section (names without regard to case), nothing when
// there is none.
std::optional<std::string> IniValue(std::string_view text, std::string_view section,
                                    std::string_view key);

}  // namespace qvx::base
