#include "server/proxy_header.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>
#include <cstring>
#include <vector>

namespace qvx::server {

namespace {

constexpr std::size_t kMaxLength = 107;  // the longest a version 1 header may be
constexpr std::string_view kSignature = "PROXY ";

bool ValidAddress(const std::string& family, const std::string& text) {
    unsigned char buffer[16];
    return inet_pton(family == "TCP4" ? AF_INET : AF_INET6, text.c_str(), buffer) == 1;
}

bool ParsePort(std::string_view text, int* port) {
    if (text.empty() || text.size() > 5 || (text.size() > 1 && text[0] == '0') ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *port);
    return ec == std::errc() && end == text.data() + text.size() && *port <= 65535;
}

}  // namespace

ProxyHeader ParseProxyHeader(std::string_view data) {
    ProxyHeader header;
    const std::size_t prefix = std::min(data.size(), kSignature.size());
    if (data.substr(0, prefix) != kSignature.substr(0, prefix)) {
        header.status = ProxyHeader::Status::kInvalid;
        return header;
    }
    const std::size_t end = data.find("\r\n");
    if (end == std::string_view::npos || end + 2 > kMaxLength) {
        header.status = data.size() >= kMaxLength ? ProxyHeader::Status::kInvalid
                                                  : ProxyHeader::Status::kIncomplete;
        return header;
    }
    std::vector<std::string> fields;
    std::string_view line = data.substr(kSignature.size(), end - kSignature.size());
    while (true) {
        const std::size_t space = line.find(' ');
        fields.emplace_back(line.substr(0, space));
        if (space == std::string_view::npos) {
            break;
        }
        line.remove_prefix(space + 1);
    }
    header.status = ProxyHeader::Status::kInvalid;
    if (fields[0] == "UNKNOWN") {
        header.status = ProxyHeader::Status::kComplete;
    } else if ((fields[0] == "TCP4" || fields[0] == "TCP6") && fields.size() == 5 &&
               ValidAddress(fields[0], fields[1]) && ValidAddress(fields[0], fields[2])) {
        int sourcePort = 0;
        int destinationPort = 0;
        if (ParsePort(fields[3], &sourcePort) && ParsePort(fields[4], &destinationPort)) {
            header.clientAddress = fields[1];
            header.clientPort = sourcePort;
            header.status = ProxyHeader::Status::kComplete;
        }
    }
    if (header.status == ProxyHeader::Status::kComplete) {
        header.length = end + 2;
    }
    return header;
}

std::optional<TrustedPeers> TrustedPeers::Parse(std::string_view list) {
    TrustedPeers peers;
    bool more = true;
    while (more) {
        const std::size_t comma = list.find(',');
        const std::string_view entry = list.substr(0, comma);
        more = comma != std::string_view::npos;
        list.remove_prefix(more ? comma + 1 : list.size());
        const std::size_t slash = entry.find('/');
        const std::string address(entry.substr(0, slash));
        Range range{};
        if (inet_pton(AF_INET, address.c_str(), range.bytes.data()) == 1) {
            range.family = AF_INET;
        } else if (inet_pton(AF_INET6, address.c_str(), range.bytes.data()) == 1) {
            range.family = AF_INET6;
        } else {
            return std::nullopt;
        }
        const int bits = range.family == AF_INET ? 32 : 128;
        range.prefix = bits;
        if (slash != std::string_view::npos) {
            const std::string_view prefix = entry.substr(slash + 1);
            const auto [end, ec] =
                std::from_chars(prefix.data(), prefix.data() + prefix.size(), range.prefix);
            if (prefix.empty() || ec != std::errc() || end != prefix.data() + prefix.size() ||
                range.prefix < 0 || range.prefix > bits) {
                return std::nullopt;
            }
        }
        peers.ranges_.push_back(range);
    }
    return peers;
}

bool TrustedPeers::Contains(const sockaddr* peer) const {
    int family = peer->sa_family;
    const unsigned char* bytes = nullptr;
    if (family == AF_INET) {
        bytes = reinterpret_cast<const unsigned char*>(
            &reinterpret_cast<const sockaddr_in*>(peer)->sin_addr);
    } else if (family == AF_INET6) {
        const auto* v6 = &reinterpret_cast<const sockaddr_in6*>(peer)->sin6_addr;
        bytes = reinterpret_cast<const unsigned char*>(v6);
        if (IN6_IS_ADDR_V4MAPPED(v6)) {
            family = AF_INET;
            bytes += 12;
        }
    } else {
        return false;
    }
    for (const Range& range : ranges_) {
        if (range.family != family) {
            continue;
        }
        const int whole = range.prefix / 8;
        const int rest = range.prefix % 8;
        if (std::memcmp(bytes, range.bytes.data(), static_cast<std::size_t>(whole)) != 0) {
            continue;
        }
        const auto mask = static_cast<unsigned char>(0xff << (8 - rest));
        if (rest == 0 ||
            ((bytes[whole] ^ range.bytes[static_cast<std::size_t>(whole)]) & mask) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace qvx::server
