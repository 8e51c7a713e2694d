#include "server/proxy_header.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

namespace qvx::server {
namespace {

using Status = ProxyHeader::Status;

struct Case {
    const char* data;
    Status status;
    const char* address;
    int port;
    std::size_t length;
};

TEST(ProxyHeader, Table) {
    const std::string tooLong = "PROXY TCP6 " + std::string(120, 'a');
    const Case cases[] = {
        {"PROXY TCP4 203.0.113.7 192.0.2.1 51234 8091\r\nPOST / HTTP/1.1\r\n", Status::kComplete,
         "203.0.113.7", 51234, 45},
        {"PROXY TCP6 2001:db8::7 2001:db8::1 443 8091\r\n", Status::kComplete, "2001:db8::7", 443,
         45},
        {"PROXY UNKNOWN\r\n", Status::kComplete, "", 0, 15},
        {"PROXY UNKNOWN ffff::1 ffff::2 1 2\r\n", Status::kComplete, "", 0, 35},
        // Cut short: more bytes may still come.
        {"", Status::kIncomplete, "", 0, 0},
        {"PRO", Status::kIncomplete, "", 0, 0},
        {"PROXY TCP4 203.0.113.7 19", Status::kIncomplete, "", 0, 0},
        // Not a header: a request without one, wrong family or address, bad ports, extra blanks.
        {"POST /vmo.api/api/version/Versionpc HTTP/1.1\r\n", Status::kInvalid, "", 0, 0},
        {"PROXY TCP4 2001:db8::7 192.0.2.1 1 2\r\n", Status::kInvalid, "", 0, 0},
        {"PROXY TCP4 203.0.113.300 192.0.2.1 1 2\r\n", Status::kInvalid, "", 0, 0},
        {"PROXY TCP4 203.0.113.7 192.0.2.1 65536 2\r\n", Status::kInvalid, "", 0, 0},
        {"PROXY TCP4 203.0.113.7 192.0.2.1 01 2\r\n", Status::kInvalid, "", 0, 0},
        {"PROXY TCP4 203.0.113.7 192.0.2.1 -1 2\r\n", Status::kInvalid, "", 0, 0},
        {"PROXY TCP4  203.0.113.7 192.0.2.1 1 2\r\n", Status::kInvalid, "", 0, 0},
        {"PROXY TCP4 203.0.113.7 192.0.2.1 1\r\n", Status::kInvalid, "", 0, 0},
        {"PROXY UDP4 203.0.113.7 192.0.2.1 1 2\r\n", Status::kInvalid, "", 0, 0},
        {tooLong.c_str(), Status::kInvalid, "", 0, 0},
    };
    for (const Case& c : cases) {
        const ProxyHeader h = ParseProxyHeader(c.data);
        EXPECT_EQ(h.status, c.status) << c.data;
        EXPECT_EQ(h.clientAddress, c.address) << c.data;
        EXPECT_EQ(h.clientPort, c.port) << c.data;
        EXPECT_EQ(h.length, c.length) << c.data;
    }
}

// The peer as accept() gives it: IPv4, IPv6, or IPv4 mapped into IPv6 (a listener on "::").
sockaddr_storage Peer(const char* address) {
    sockaddr_storage peer{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&peer);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&peer);
    if (inet_pton(AF_INET, address, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
    } else if (inet_pton(AF_INET6, address, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
    }
    return peer;
}

TEST(TrustedPeers, OnlyListedAddressesAndNetworks) {
    const auto loopback = TrustedPeers::Parse(TrustedPeers::kLoopback);
    const auto balancers = TrustedPeers::Parse("10.1.2.0/23,2001:db8::5,192.0.2.9");
    ASSERT_TRUE(loopback && balancers);
    const struct {
        const TrustedPeers* peers;
        const char* address;
        bool trusted;
    } cases[] = {
        {&*loopback, "127.0.0.1", true},     {&*loopback, "127.200.1.1", true},
        {&*loopback, "::1", true},           {&*loopback, "::ffff:127.0.0.1", true},
        {&*loopback, "128.0.0.1", false},    {&*loopback, "6.6.6.6", false},
        {&*loopback, "::2", false},          {&*loopback, "::ffff:6.6.6.6", false},
        {&*balancers, "10.1.3.255", true},   {&*balancers, "10.1.4.0", false},
        {&*balancers, "10.1.1.255", false},  {&*balancers, "2001:db8::5", true},
        {&*balancers, "2001:db8::6", false}, {&*balancers, "192.0.2.9", true},
        {&*balancers, "192.0.2.8", false},   {&*balancers, "127.0.0.1", false},
    };
    for (const auto& c : cases) {
        const sockaddr_storage peer = Peer(c.address);
        EXPECT_EQ(c.peers->Contains(reinterpret_cast<const sockaddr*>(&peer)), c.trusted)
            << c.address;
    }
    for (const char* bad : {"", "localhost", "10.0.0.0/33", "::1/129", "10.0.0.0/", "1.2.3.4,",
                            "10.0.0.0/8x", "10.0.0.0/-1"}) {
        EXPECT_FALSE(TrustedPeers::Parse(bad)) << bad;
    }
}

}  // namespace
}  // namespace qvx::server
