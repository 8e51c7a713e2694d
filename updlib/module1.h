#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "updlib/clock_port.h"
#include "updlib/message_box_port.h"
#include "updlib/sockets_port.h"
#include "updlib/updlib_types.h"

namespace qvx::updlib {

// The platform services of Module1; the referenced objects outlive every call.
struct Module1Ports {
    Sockets& sockets;
    MessageBoxPort& messages;
    Clock& clock;
};

// The updater's network-measurement module: host names to IPv4 addresses, one ICMP echo, and
// local-time differences. No state between calls; each call that needs the socket library starts
// and releases it itself.
namespace Module1 {

bool StartSockets(const Module1Ports& ports);
bool StopSockets(const Module1Ports& ports);
// Dotted IPv4 address of the host, empty when the name does not resolve.
std::string ResolveHost(const Module1Ports& ports, const std::string& hostName);
// 32-bit address in network byte order (first part in the lowest byte); 0 unless four parts.
std::uint32_t DottedToAddress(std::string_view dotted);
// Round-trip time of one echo, or the reply status negated when no reply came.
std::int32_t SendEcho(const Module1Ports& ports, const std::string& address, EchoReply& reply);
// True when an echo reply with data came back.
bool PingHost(const Module1Ports& ports, const std::string& address);
TimeRecord LocalNow(const Module1Ports& ports);
// Milliseconds from start to end, dates and hours included.
std::int32_t ElapsedMs(const TimeRecord& start, const TimeRecord& end);

}  // namespace Module1

}  // namespace qvx::updlib
