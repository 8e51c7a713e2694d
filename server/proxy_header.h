#pragma once
// The PROXY protocol header (version 1, text) that a TCP load balancer such as nginx's stream
// proxy puts before the first byte of a connection, naming the client it accepted:
//   "PROXY TCP4 203.0.113.7 192.0.2.1 51234 8091\r\n"
// Read only on a port that is reached through such a balancer: anyone else could name any
// address.

#include <sys/socket.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qvx::server {

struct ProxyHeader {
    enum class Status { kIncomplete, kInvalid, kComplete };
    Status status = Status::kIncomplete;
    std::size_t length = 0;     // bytes of the header, CR LF included, when complete
    std::string clientAddress;  // empty for "PROXY UNKNOWN"
    int clientPort = 0;
};

// The header at the start of data: complete, invalid, or cut short so far (more bytes needed).
ProxyHeader ParseProxyHeader(std::string_view data);

// The balancers whose PROXY headers are believed: addresses or networks, "127.0.0.0/8,::1". A
// peer given as an IPv4-mapped IPv6 address (a listener bound to "::") counts as its IPv4 form.
class TrustedPeers {
public:
    static constexpr const char* kLoopback = "127.0.0.0/8,::1";

    // Nothing when an entry is no address, or its prefix is out of range.
    static std::optional<TrustedPeers> Parse(std::string_view list);
    bool Contains(const sockaddr* peer) const;

private:
    struct Range {
        int family;
        std::array<unsigned char, 16> bytes;
        int prefix;
    };
    std::vector<Range> ranges_;
};

}  // namespace qvx::server
