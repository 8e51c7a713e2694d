#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qvx::updater {

// What a downloaded file is: its length and its SHA-256 as 64 lowercase hex digits.
struct FileFingerprint {
    std::uint64_t size = 0;
    std::string sha256;
};

// The publisher's trust anchor: its public key is built into the updater, so only what the
// publisher signed can pass.
class UpdateTrust {
public:
    virtual ~UpdateTrust() = default;
    // True when `signature` (r||s, 32 bytes each, big-endian) is the publisher's ECDSA P-256
    // signature over the SHA-256 of `message`.
    virtual bool VerifySignature(std::string_view message, std::string_view signature) = 0;
    // Reads the whole file (path in the system code page); nothing when it cannot be read.
    virtual std::optional<FileFingerprint> Fingerprint(const std::string& path) = 0;
};

}  // namespace qvx::updater
