#include "server/signing/update_signing.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/pem.h>

#include <array>
#include <cstdio>
#include <stdexcept>

namespace qvx::signing {

namespace {

constexpr std::size_t kScalarBytes = 32;

template <typename T, void (*F)(T*)>
struct Deleter {
    void operator()(T* p) const { F(p); }
};
using Md = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;
using Pkey = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using Sig = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG, ECDSA_SIG_free>>;
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;

std::string Hex(const unsigned char* bytes, std::size_t size) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0xF];
    }
    return text;
}

bool IsP256(EVP_PKEY* key) {
    char group[64] = {};
    std::size_t length = 0;
    return EVP_PKEY_is_a(key, "EC") &&
           EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group,
                                          &length) == 1 &&
           std::string_view(group, length) == "prime256v1";
}

EVP_PKEY* AsKey(void* key) {
    return static_cast<EVP_PKEY*>(key);
}

}  // namespace

std::string Sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    return Hex(digest, length);
}

std::optional<std::string> Sha256HexOfFile(const std::string& path, std::uint64_t& size) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    Md md(EVP_MD_CTX_new());
    if (!file || !md || EVP_DigestInit_ex(md.get(), EVP_sha256(), nullptr) != 1) {
        return std::nullopt;
    }
    size = 0;
    std::array<char, 64 * 1024> buffer;
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), file.get())) > 0) {
        EVP_DigestUpdate(md.get(), buffer.data(), n);
        size += n;
    }
    if (std::ferror(file.get())) {
        return std::nullopt;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(md.get(), digest, &length);
    return Hex(digest, length);
}

void SigningKey::Free::operator()(void* key) const {
    EVP_PKEY_free(AsKey(key));
}

SigningKey SigningKey::Generate() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    if (key == nullptr) {
        throw std::runtime_error("cannot make a P-256 key");
    }
    return SigningKey(key);
}

std::optional<SigningKey> SigningKey::FromPemFile(const std::string& path, std::string& error) {
    Bio bio(BIO_new_file(path.c_str(), "r"));
    if (!bio) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    Pkey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    if (!key) {
        error = path + " holds no PEM private key";
        return std::nullopt;
    }
    if (!IsP256(key.get())) {
        error = path + " is not an ECDSA P-256 (prime256v1) key";
        return std::nullopt;
    }
    return SigningKey(key.release());
}

std::string SigningKey::Sign(std::string_view message) const {
    Md md(EVP_MD_CTX_new());
    std::size_t derSize = 0;
    if (!md ||
        EVP_DigestSignInit(md.get(), nullptr, EVP_sha256(), nullptr, AsKey(key_.get())) != 1 ||
        EVP_DigestSign(md.get(), nullptr, &derSize,
                       reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1) {
        throw std::runtime_error("cannot sign");
    }
    std::string der(derSize, '\0');
    unsigned char* out = reinterpret_cast<unsigned char*>(der.data());
    if (EVP_DigestSign(md.get(), out, &derSize,
                       reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1) {
        throw std::runtime_error("cannot sign");
    }
    const unsigned char* in = out;
    Sig sig(d2i_ECDSA_SIG(nullptr, &in, static_cast<long>(derSize)));
    std::string raw(2 * kScalarBytes, '\0');
    auto* bytes = reinterpret_cast<unsigned char*>(raw.data());
    if (!sig || BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), bytes, kScalarBytes) < 0 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), bytes + kScalarBytes, kScalarBytes) < 0) {
        throw std::runtime_error("cannot convert the signature");
    }
    return raw;
}

std::string SigningKey::PublicXY() const {
    unsigned char point[1 + 2 * kScalarBytes];
    std::size_t length = 0;
    if (EVP_PKEY_get_octet_string_param(AsKey(key_.get()), OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY,
                                        point, sizeof point, &length) != 1 ||
        length != sizeof point || point[0] != 0x04) {
        throw std::runtime_error("cannot read the public point");
    }
    return std::string(reinterpret_cast<const char*>(point + 1), 2 * kScalarBytes);
}

std::string SigningKey::PublicPem() const {
    Bio bio(BIO_new(BIO_s_mem()));
    PEM_write_bio_PUBKEY(bio.get(), AsKey(key_.get()));
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::optional<std::string> PublicXYFromPemFile(const std::string& path, std::string& error) {
    Bio bio(BIO_new_file(path.c_str(), "r"));
    if (!bio) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    Pkey key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
    if (!key) {
        error = path + " holds no PEM public key";
        return std::nullopt;
    }
    if (!IsP256(key.get())) {
        error = path + " is not an ECDSA P-256 (prime256v1) key";
        return std::nullopt;
    }
    unsigned char point[1 + 2 * kScalarBytes];
    std::size_t length = 0;
    if (EVP_PKEY_get_octet_string_param(key.get(), OSSL_PKEY_PARAM_ENCODED_PUBLIC_KEY, point,
                                        sizeof point, &length) != 1 ||
        length != sizeof point || point[0] != 0x04) {
        error = "cannot read the public point of " + path;
        return std::nullopt;
    }
    return std::string(reinterpret_cast<const char*>(point + 1), 2 * kScalarBytes);
}

bool VerifySignature(std::string_view publicXY, std::string_view message,
                     std::string_view signature) {
    if (publicXY.size() != 2 * kScalarBytes || signature.size() != 2 * kScalarBytes) {
        return false;
    }
    std::string point = "\x04" + std::string(publicXY);
    std::unique_ptr<OSSL_PARAM_BLD, Deleter<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>> build(
        OSSL_PARAM_BLD_new());
    OSSL_PARAM_BLD_push_utf8_string(build.get(), OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0);
    OSSL_PARAM_BLD_push_octet_string(build.get(), OSSL_PKEY_PARAM_PUB_KEY, point.data(),
                                     point.size());
    std::unique_ptr<OSSL_PARAM, Deleter<OSSL_PARAM, OSSL_PARAM_free>> params(
        OSSL_PARAM_BLD_to_param(build.get()));
    PkeyCtx fromData(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* raw = nullptr;
    if (!params || !fromData || EVP_PKEY_fromdata_init(fromData.get()) != 1 ||
        EVP_PKEY_fromdata(fromData.get(), &raw, EVP_PKEY_PUBLIC_KEY, params.get()) != 1) {
        return false;
    }
    Pkey key(raw);

    const auto* bytes = reinterpret_cast<const unsigned char*>(signature.data());
    Sig sig(ECDSA_SIG_new());
    BIGNUM* r = BN_bin2bn(bytes, kScalarBytes, nullptr);
    BIGNUM* s = BN_bin2bn(bytes + kScalarBytes, kScalarBytes, nullptr);
    if (!sig || ECDSA_SIG_set0(sig.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    unsigned char* der = nullptr;
    const int derSize = i2d_ECDSA_SIG(sig.get(), &der);
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> derOwner(
        der, [](unsigned char* p) { OPENSSL_free(p); });
    Md md(EVP_MD_CTX_new());
    return derSize > 0 && md &&
           EVP_DigestVerifyInit(md.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
           EVP_DigestVerify(md.get(), der, static_cast<std::size_t>(derSize),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

}  // namespace qvx::signing
