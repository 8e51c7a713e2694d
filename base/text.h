#pragma once
// Texts without the platform: UTF-8 <-> UTF-16 for logic that shows or compares texts (invalid
// input becomes U+FFFD), and the blank trim of the forms.

#include <string>
#include <string_view>

namespace qvx::base {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// The text without the blanks (' ') at either end, as the forms' Trim; tabs and line ends stay.
std::string TrimSpaces(std::string_view text);

// A-Z lowered; every other byte (UTF-8 included) as it is. Program names, hotkey names and the
// like compare this way, as Windows compares file names of ASCII letters.
std::string AsciiLower(std::string_view text);
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace qvx::base
