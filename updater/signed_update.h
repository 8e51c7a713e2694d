#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "updater/update_trust_port.h"

namespace qvx::updater {

// The signed parts of an update: the information file with its detached signature, and the
// size and SHA-256 of every file it lets the updater install.

// The information file and its signature are small; anything larger is no genuine one and is
// never read into memory whole.
inline constexpr std::size_t kMaxInfoFileBytes = 64 * 1024;
// A file list longer than this is refused before anything is listed or fetched; its hashes
// would not fit the information file anyway.
inline constexpr std::int32_t kMaxFileCount = 500;
// The detached signature: r||s of ECDSA P-256, 32 bytes each.
inline constexpr std::size_t kSignatureBytes = 64;

// The bytes of a signature file as the platform's verifier takes them; nothing when the file
// cannot be a signature (any other length, or r or s zero, which no signer produces).
std::optional<std::string> ParseSignatureFile(std::string_view bytes);

// [FileHash] and [FileSize] of an information file, keyed by the file name exactly as it stands
// in the list. Sections are matched without regard to case, keys byte for byte (after the blanks
// around them); the first line of a key counts, as the platform's profile reader does. A name
// enters the table only with a hash of 64 hex digits and a plain decimal size.
std::map<std::string, FileFingerprint> ReadFileDigests(std::string_view infoFile);

}  // namespace qvx::updater
