#include "server/proxy_header.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qvx::server
