#include "updater/signed_update.h"

#include <algorithm>
#include <charconv>

#include "base/ini_text.h"

namespace qvx::updater {
namespace {

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
    std::map<std::string, std::string> hashes;
    std::map<std::string, std::string> sizes;
    base::ForEachIniEntry(
        infoFile, [&](std::string_view section, std::string_view key, std::string_view value) {
            auto* table = base::IniNamesEqual(section, "FileHash")   ? &hashes
                          : base::IniNamesEqual(section, "FileSize") ? &sizes
                                                                     : nullptr;
            if (table) {
                table->emplace(key, value);  // the first line of a key counts
            }
        });

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
