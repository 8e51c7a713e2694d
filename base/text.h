#pragma once
// UTF-8 <-> UTF-16 without the platform, for logic that shows or compares texts; invalid input
// becomes U+FFFD.

#include <string>
#include <string_view>

namespace qvx::base {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace qvx::base
