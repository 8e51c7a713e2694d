#include "server/privacy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qvx::server {

namespace {

// A descriptor closed when it goes out of scope.
class UniqueFd {
public:
    UniqueFd(const std::string& path, int flags, mode_t mode = 0)
        : fd_(open(path.c_str(), flags | O_CLOEXEC, mode)) {}
    ~UniqueFd() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    explicit operator bool() const { return fd_ >= 0; }
    int operator*() const { return fd_; }

private:
    int fd_;
};

std::string Reason(const std::string& what, const std::string& path) {
    std::string text = what;
    text.append(" ").append(path).append(": ").append(std::strerror(errno));
    return text;
}

bool WriteAll(int fd, const unsigned char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// A query parameter's name as the library decodes it, lower case.
std::string DecodedName(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c == '%' && i + 2 < name.size() && HexValue(name[i + 1]) >= 0 &&
            HexValue(name[i + 2]) >= 0) {
            c = static_cast<char>(HexValue(name[i + 1]) * 16 + HexValue(name[i + 2]));
            i += 2;
        } else if (c == '+') {
            c = ' ';
        }
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        out += c;
    }
    return out;
}

}  // namespace

std::optional<std::string> LoadSecret(const std::string& path, std::string* error) {
    const UniqueFd fd(path, O_RDONLY);
    if (!fd) {
        if (errno != ENOENT) {
            *error = Reason("cannot read the secret file", path);
        }
        return std::nullopt;
    }
    struct stat info {};
    if (fstat(*fd, &info) != 0) {
        *error = Reason("cannot read the secret file", path);
        return std::nullopt;
    }
    if ((info.st_mode & 077) != 0) {
        *error = "the secret file " + path + " may be read by others; chmod 600 it";
        return std::nullopt;
    }
    std::string secret(4096, '\0');
    std::size_t size = 0;
    for (ssize_t n = 0; size < secret.size(); size += static_cast<std::size_t>(n)) {
        n = read(*fd, secret.data() + size, secret.size() - size);
        if (n < 0 && errno == EINTR) {
            n = 0;
            continue;
        }
        if (n < 0) {
            *error = Reason("cannot read the secret file", path);
            return std::nullopt;
        }
        if (n == 0) {
            break;
        }
    }
    secret.resize(size);
    if (secret.size() < kMinSecretBytes) {
        *error = "the secret file " + path + " holds fewer than " +
                 std::to_string(kMinSecretBytes) + " bytes";
        return std::nullopt;
    }
    return secret;
}

std::optional<std::string> LoadOrCreateSecret(const std::string& path, std::string* error) {
    error->clear();
    if (std::optional<std::string> secret = LoadSecret(path, error); secret || !error->empty()) {
        return secret;
    }
    // Made whole under a name of its own, then linked to its place: a reader never sees a
    // part of it, and of two instances starting together the second takes the first's.
    std::string temporary = path;
    temporary.append(".new-").append(std::to_string(getpid()));
    unlink(temporary.c_str());
    unsigned char bytes[kSecretBytes];
    {
        const UniqueFd fd(temporary, O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (!fd) {
            *error = Reason("cannot make the secret file", temporary);
            return std::nullopt;
        }
        if (RAND_bytes(bytes, sizeof(bytes)) != 1 || !WriteAll(*fd, bytes, sizeof(bytes)) ||
            fsync(*fd) != 0) {
            *error = Reason("cannot write the secret file", temporary);
            unlink(temporary.c_str());
            return std::nullopt;
        }
    }
    const bool linked = link(temporary.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    unlink(temporary.c_str());
    if (!linked && linkError != EEXIST) {
        errno = linkError;
        *error = Reason("cannot make the secret file", path);
        return std::nullopt;
    }
    return LoadSecret(path, error);
}

std::string ProtectMacText(std::string_view secret, std::string_view macText) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), secret.data(), static_cast<int>(secret.size()),
         reinterpret_cast<const unsigned char*>(macText.data()), macText.size(), digest, &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0xF];
    }
    return text;
}

std::string CutClientAddress(std::string_view address) {
    const std::string text(address);
    char out[INET6_ADDRSTRLEN] = "";
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1) {
        reinterpret_cast<unsigned char*>(&v4.s_addr)[3] = 0;
        return inet_ntop(AF_INET, &v4, out, sizeof(out)) ? out : "";
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) != 1) {
        return "";
    }
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
        v6.s6_addr[15] = 0;
    } else {
        std::memset(v6.s6_addr + 6, 0, 10);
    }
    return inet_ntop(AF_INET6, &v6, out, sizeof(out)) ? out : "";
}

std::string HideMacText(std::string_view target) {
    const std::size_t query = target.find('?');
    if (query == std::string_view::npos) {
        return std::string(target);
    }
    std::string out(target.substr(0, query + 1));
    std::string_view rest = target.substr(query + 1);
    while (true) {
        const std::size_t end = rest.find('&');
        const std::string_view pair = rest.substr(0, end);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos && DecodedName(pair.substr(0, equals)) == "mac_in") {
            out.append(pair.substr(0, equals + 1)).append("(hidden)");
        } else {
            out.append(pair);
        }
        if (end == std::string_view::npos) {
            return out;
        }
        out += '&';
        rest.remove_prefix(end + 1);
    }
}

}  // namespace qvx::server
