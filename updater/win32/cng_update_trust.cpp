#include "updater/win32/cng_update_trust.h"

#include <bcrypt.h>

#include <array>
#include <memory>
#include <vector>

namespace qvx::updater::win32 {
namespace {

constexpr std::size_t kPointHalf = 32;

bool Ok(NTSTATUS status) {
    return status >= 0;
}

struct AlgorithmCloser {
    void operator()(BCRYPT_ALG_HANDLE h) const { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct KeyCloser {
    void operator()(BCRYPT_KEY_HANDLE h) const { ::BCryptDestroyKey(h); }
};
struct HashCloser {
    void operator()(BCRYPT_HASH_HANDLE h) const { ::BCryptDestroyHash(h); }
};
struct FileCloser {
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
using Algorithm = std::unique_ptr<void, AlgorithmCloser>;
using Key = std::unique_ptr<void, KeyCloser>;
using Hash = std::unique_ptr<void, HashCloser>;
using File = std::unique_ptr<void, FileCloser>;

Algorithm OpenAlgorithm(LPCWSTR name) {
    BCRYPT_ALG_HANDLE handle = nullptr;
    if (!Ok(::BCryptOpenAlgorithmProvider(&handle, name, nullptr, 0))) {
        return nullptr;
    }
    return Algorithm(handle);
}

// SHA-256 fed piece by piece (the incremental calls exist on every Windows since Vista).
class Sha256 {
public:
    Sha256() : algorithm_(OpenAlgorithm(BCRYPT_SHA256_ALGORITHM)) {
        BCRYPT_HASH_HANDLE handle = nullptr;
        if (algorithm_ &&
            Ok(::BCryptCreateHash(algorithm_.get(), &handle, nullptr, 0, nullptr, 0, 0))) {
            hash_.reset(handle);
        }
    }
    bool Add(const void* data, std::size_t size) {
        return hash_ &&
               Ok(::BCryptHashData(hash_.get(), static_cast<PUCHAR>(const_cast<void*>(data)),
                                   static_cast<ULONG>(size), 0));
    }
    std::optional<std::array<unsigned char, 32>> Finish() {
        std::array<unsigned char, 32> digest{};
        if (!hash_ || !Ok(::BCryptFinishHash(hash_.get(), digest.data(),
                                             static_cast<ULONG>(digest.size()), 0))) {
            return std::nullopt;
        }
        return digest;
    }

private:
    Algorithm algorithm_;
    Hash hash_;
};

}  // namespace

bool CngUpdateTrust::VerifySignature(std::string_view message, std::string_view signature) {
    if (publicXY_.size() != 2 * kPointHalf || signature.size() != 2 * kPointHalf) {
        return false;
    }
    Sha256 sha;
    std::optional<std::array<unsigned char, 32>> digest;
    if (!sha.Add(message.data(), message.size()) || !(digest = sha.Finish())) {
        return false;
    }
    Algorithm ecdsa = OpenAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!ecdsa) {
        return false;
    }
    std::vector<unsigned char> blob(sizeof(BCRYPT_ECCKEY_BLOB) + publicXY_.size());
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header->cbKey = kPointHalf;
    std::copy(publicXY_.begin(), publicXY_.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));
    BCRYPT_KEY_HANDLE keyHandle = nullptr;
    if (!Ok(::BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &keyHandle,
                                  blob.data(), static_cast<ULONG>(blob.size()), 0))) {
        return false;
    }
    Key key(keyHandle);
    std::string sig(signature);
    return ::BCryptVerifySignature(
               key.get(), nullptr, digest->data(), static_cast<ULONG>(digest->size()),
               reinterpret_cast<PUCHAR>(sig.data()), static_cast<ULONG>(sig.size()), 0) == 0;
}

std::optional<FileFingerprint> CngUpdateTrust::Fingerprint(const std::string& path) {
    HANDLE raw = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    File file(raw);
    Sha256 sha;
    FileFingerprint result;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                        nullptr)) {
            return std::nullopt;
        }
        if (read == 0) {
            break;
        }
        if (!sha.Add(buffer.data(), read)) {
            return std::nullopt;
        }
        result.size += read;
    }
    const std::optional<std::array<unsigned char, 32>> digest = sha.Finish();
    if (!digest) {
        return std::nullopt;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    for (unsigned char b : *digest) {
        result.sha256 += kHex[b >> 4];
        result.sha256 += kHex[b & 0xF];
    }
    return result;
}

}  // namespace qvx::updater::win32
