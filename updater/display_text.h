#pragma once

#include <string>

// UTF-8 <-> UTF-16 for the texts the updater shows; invalid input becomes U+FFFD.
std::string Utf16ToUtf8(const std::u16string& text);
std::u16string Utf8ToUtf16(const std::string& text);
