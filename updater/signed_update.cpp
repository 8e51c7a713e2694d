#include "updater/signed_update.h"

#include <algorithm>
#include <charconv>

namespace qvx::updater {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

bool AllZero(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

std::optional<std::string> LowerHexDigest(std::string_view text) {
    if (text.size() != 64) {
        return std::nullopt;
    }
    std::string digest(text);
    for (char& c : digest) {
        if (c >= 'A' && c <= 'F') {
            c = static_cast<char>(c - 'A' + 'a');
        } else if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return std::nullopt;
        }
    }
    return digest;
}

std::optional<std::uint64_t> DecimalSize(std::string_view text) {
    std::uint64_t size = 0;
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return size;
}

}  // namespace

std::optional<std::string> ParseSignatureFile(std::string_view bytes) {
    if (bytes.size() != kSignatureBytes || AllZero(bytes.substr(0, kSignatureBytes / 2)) ||
        AllZero(bytes.substr(kSignatureBytes / 2))) {
        return std::nullopt;
    }
    return std::string(bytes);
}

std::map<std::string, FileFingerprint> ReadFileDigests(std::string_view infoFile) {
    enum class Section { kOther, kHash, kSize };
    std::map<std::string, std::string> hashes;
    std::map<std::string, std::string> sizes;
    Section section = Section::kOther;
    while (!infoFile.empty()) {
        const std::size_t end = std::min(infoFile.find('\n'), infoFile.size());
        const std::string_view line = Trim(infoFile.substr(0, end));
        infoFile.remove_prefix(std::min(end + 1, infoFile.size()));
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name =
                Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            section = EqualsNoCase(name, "FileHash")   ? Section::kHash
                      : EqualsNoCase(name, "FileSize") ? Section::kSize
                                                       : Section::kOther;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (section == Section::kOther || equals == std::string_view::npos) {
            continue;
        }
        const std::string key(Trim(line.substr(0, equals)));
        const std::string_view value = Trim(line.substr(equals + 1));
        auto& table = section == Section::kHash ? hashes : sizes;
        table.emplace(key, value);  // the first line of a key counts
    }

    std::map<std::string, FileFingerprint> digests;
    for (const auto& [name, hashText] : hashes) {
        const auto size = sizes.find(name);
        if (name.empty() || size == sizes.end()) {
            continue;
        }
        std::optional<std::string> digest = LowerHexDigest(hashText);
        std::optional<std::uint64_t> bytes = DecimalSize(size->second);
        if (digest && bytes) {
            digests.emplace(name, FileFingerprint{*bytes, std::move(*digest)});
        }
    }
    return digests;
}

}  // namespace qvx::updater
