#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qvx::updlib {

using IcmpHandle = std::uintptr_t;

// Size of the reply buffer handed to the echo call: the 28-byte reply header and 250 data bytes.
inline constexpr std::uint32_t kEchoReplyBufferSize = 278;

// The echo reply record as the platform fills it in.
struct EchoReply {
    std::uint32_t address = 0;
    std::uint32_t status = 0;
    std::uint32_t roundTripTime = 0;
    std::uint16_t dataSize = 0;
    std::uint16_t reserved = 0;
    std::uint32_t dataPointer = 0;
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    std::uint8_t flags = 0;
    std::uint8_t optionsSize = 0;
    std::uint32_t optionsData = 0;
    std::array<std::uint8_t, 250> data{};
};

// What WSAStartup reports.
struct SocketsStartup {
    std::int32_t error = 0;     // 0 when the library started
    std::uint16_t version = 0;  // agreed version: major in the low byte
    std::uint16_t maxSockets = 0;
};

// The socket library (wsock32/ws2_32) and the ICMP echo (IcmpCreateFile & co).
class Sockets {
public:
    virtual ~Sockets() = default;
    virtual SocketsStartup Startup(std::uint16_t version) = 0;
    // WSACleanup: 0, or -1 when the release fails.
    virtual std::int32_t Cleanup() = 0;
    // gethostbyname: the first address of the list, h_length bytes; empty when the name does
    // not resolve.
    virtual std::optional<std::vector<std::uint8_t>> HostAddress(const std::string& name) = 0;
    virtual IcmpHandle IcmpOpen() = 0;
    // IcmpSendEcho with no options; returns the number of replies and fills `reply`.
    virtual std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t address,
                                       const std::string& payload, EchoReply& reply,
                                       std::uint32_t replySize, std::uint32_t timeoutMs) = 0;
    virtual void IcmpClose(IcmpHandle handle) = 0;
};

}  // namespace qvx::updlib
