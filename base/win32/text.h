#pragma once
// Texts between the program's UTF-8, the wide functions' UTF-16 and the system's ANSI code page.
// Characters a code page cannot hold are replaced by the system's default character.

#include <windows.h>

#include <string>
#include <string_view>

namespace qvx::base::win32 {

std::wstring ToWide(std::string_view text, UINT codePage);
std::string FromWide(std::wstring_view text, UINT codePage);

inline std::wstring Utf8ToWide(std::string_view text) {
    return ToWide(text, CP_UTF8);
}
inline std::string WideToUtf8(std::wstring_view text) {
    return FromWide(text, CP_UTF8);
}
inline std::wstring AnsiToWide(std::string_view text) {
    return ToWide(text, CP_ACP);
}
inline std::string WideToAnsi(std::wstring_view text) {
    return FromWide(text, CP_ACP);
}
inline std::string Utf8ToAnsi(std::string_view text) {
    return WideToAnsi(Utf8ToWide(text));
}
inline std::string AnsiToUtf8(std::string_view text) {
    return WideToUtf8(AnsiToWide(text));
}

// The same texts as std::u16string, for ports that speak UTF-16 without wchar_t.
inline std::u16string AsU16(std::wstring_view wide) {
    return {wide.begin(), wide.end()};
}
inline std::wstring AsWide(std::u16string_view text) {
    return {text.begin(), text.end()};
}

}  // namespace qvx::base::win32
