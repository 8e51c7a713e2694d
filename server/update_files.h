#pragma once
// The folder of update files as the service serves it: which file a GET path names, and which
// part of it a Range header asks for.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace qvx::server {

// The file under root that a GET path names, or nullopt when the path leaves the folder (a ".."
// step, a backslash, a NUL), names a dot file or a file inside a dot folder, names the database
// or one of its side files or its secret (databasePath, when given, wherever it lies), or names
// nothing that is a regular file inside the folder. Only what a publication offers is ever served:
// the nearest folder on the path that holds qvxUpgraded.ini is the publication, and of it only that
// file, its signature (qvxUpgraded.ini.sig) and the names under its [FileHash] (steps joined by
// "\\") are served; a key, a log or anything else left in the folder is not.
std::optional<std::filesystem::path> ResolveUpdateFile(
    const std::filesystem::path& root, const std::string& requestPath,
    const std::filesystem::path& databasePath = {});

// What to send of a file of `size` bytes for a Range header (empty when absent). One range is
// served; several, or one wholly past the end, are refused: a client may not make one request
// cost many sends of the same bytes. A header this service does not understand is ignored.
struct RangeChoice {
    enum Kind { kWhole, kPart, kUnsatisfiable } kind = kWhole;
    std::uint64_t first = 0;   // kPart: first byte
    std::uint64_t length = 0;  // kPart: byte count, at least 1
};
RangeChoice ChooseRange(std::string_view rangeHeader, std::uint64_t size);

}  // namespace qvx::server
