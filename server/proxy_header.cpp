#include "server/proxy_header.h"

#include <arpa/inet.h>

#include <charconv>
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

}  // namespace qvx::server
