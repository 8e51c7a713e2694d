#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The publisher's side of signed updates, on OpenSSL: SHA-256 of files and ECDSA P-256
// signatures in the 64-byte r||s form the updater's verifier takes.
namespace qvx::signing {

// 64 lowercase hex digits.
std::string Sha256Hex(std::string_view bytes);
// Streams the file; nothing when it cannot be read. `size` receives its length.
std::optional<std::string> Sha256HexOfFile(const std::string& path, std::uint64_t& size);

class SigningKey {
public:
    // A fresh P-256 key pair (development keys and tests).
    static SigningKey Generate();
    // A PEM private key; nothing, with the reason in `error`, when it cannot be read or is no
    // P-256 key.
    static std::optional<SigningKey> FromPemFile(const std::string& path, std::string& error);

    // r||s, 32 bytes each, big-endian, over the SHA-256 of `message`.
    std::string Sign(std::string_view message) const;
    // The public point X||Y, 32 bytes each.
    std::string PublicXY() const;
    // The public key as PEM text.
    std::string PublicPem() const;

private:
    struct Free {
        void operator()(void* key) const;
    };
    explicit SigningKey(void* key) : key_(key) {}
    std::unique_ptr<void, Free> key_;
};

// The public point X||Y of a PEM public key file (P-256); nothing, with the reason in `error`,
// when it cannot be read or is no P-256 key.
std::optional<std::string> PublicXYFromPemFile(const std::string& path, std::string& error);

// Checks an r||s signature over the SHA-256 of `message` against the public point X||Y.
bool VerifySignature(std::string_view publicXY, std::string_view message,
                     std::string_view signature);

}  // namespace qvx::signing
