#include "updlib/trovapi.h"

namespace qvx::updlib {
namespace {

constexpr char kMissingText[] = "Error";

std::string_view WithoutTrailingBlanks(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') {
        --end;
    }
    return text.substr(0, end);
}

}  // namespace

std::string trovapi::ReadProfileText(const std::string& file, const std::string& section,
                                     const std::string& key, std::int16_t size) {
    // A buffer without room for the closing NUL holds no text at all.
    if (size <= 0) {
        return std::string();
    }
    const auto bufferSize = static_cast<std::uint32_t>(size);
    iniBuffer_.assign(bufferSize, ' ');
    ports_.profile.ReadString(section, key, kMissingText, iniBuffer_.data(), bufferSize, file);
    // The value ends at its NUL; what follows is the rest of the blank buffer.
    const std::string_view text(iniBuffer_.data(), iniBuffer_.size());
    return TrimLeft(WithoutTrailingBlanks(text));
}

std::string trovapi::GetIniStr(const std::string& iniNt, std::int16_t strLong) {
    return ReadProfileText(IniPath, IniPro, iniNt, strLong);
}

std::string trovapi::GetIniStrEx(const std::string& iniPath, const std::string& iniPro,
                                 const std::string& iniNt, std::int16_t strLong) {
    return ReadProfileText(iniPath, iniPro, iniNt, strLong);
}

std::int32_t trovapi::GetIniLong(const std::string& iniNt) {
    return static_cast<std::int32_t>(ports_.profile.ReadInt(IniPro, iniNt, 0, IniPath));
}

void trovapi::SetIniStr(const std::string& iniNt, const std::string& strIn) {
    // A refused write (read-only file, missing folder) is not reported.
    ports_.profile.WriteString(IniPro, iniNt, strIn, IniPath);
}

}  // namespace qvx::updlib
