#include "updlib/module1.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace qvx::updlib {
namespace {

constexpr std::uint16_t kSocketsVersion = 0x0101;  // 1.1: major in the low byte
constexpr char kEchoPayload[] = "My Request";
constexpr std::uint32_t kEchoTimeoutMs = 200;
constexpr std::uint32_t kGeneralFailure = 11050;  // IP_GENERAL_FAILURE

struct StartOutcome {
    bool usable = false;   // what StartSockets reports
    bool started = false;  // the library was started and must be released
};

StartOutcome StartLibrary(const Module1Ports& ports) {
    const SocketsStartup startup = ports.sockets.Startup(kSocketsVersion);
    if (startup.error != 0) {
        ports.messages.Show(
            "Windows Sockets for 32 bit Windows environments is not successfully responding.",
            MessageIcon::None);
        return {false, false};
    }
    const unsigned lo = startup.version & 0xFFu;
    const unsigned hi = (startup.version >> 8) & 0xFFu;
    if (lo < 1 || (lo == 1 && hi < 1)) {
        ports.messages.Show("Windows Sockets Version " + std::to_string(lo) + "." +
                                std::to_string(hi) +
                                " is not supported by Windows Sockets for 32 bit Windows "
                                "environments.",
                            MessageIcon::Exclamation);
        return {false, true};
    }
    if (startup.maxSockets < 1) {
        ports.messages.Show("This application requires a minimum of 1 supported sockets.",
                            MessageIcon::Exclamation);
        return {false, true};
    }
    return {true, true};
}

// Holds the socket library for one operation and releases it on every way out, but only when
// the start succeeded: releasing a library that never started would only raise a false alarm.
class SocketsSession {
public:
    explicit SocketsSession(const Module1Ports& ports)
        : ports_(ports), started_(StartLibrary(ports).started) {}
    ~SocketsSession() {
        if (started_) {
            Module1::StopSockets(ports_);
        }
    }
    SocketsSession(const SocketsSession&) = delete;
    SocketsSession& operator=(const SocketsSession&) = delete;

private:
    const Module1Ports& ports_;
    bool started_;
};

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// The numeric value of one address part: leading blanks, an optional sign, then decimal digits
// up to the first other character (none gives 0). Only the lowest byte is kept.
std::uint32_t PartByte(std::string_view part) {
    std::size_t i = 0;
    while (i < part.size() && part[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < part.size() && (part[i] == '-' || part[i] == '+')) {
        negative = part[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < part.size() && part[i] >= '0' && part[i] <= '9'; ++i) {
        value = value * 10u + static_cast<std::uint32_t>(part[i] - '0');
    }
    return (negative ? 0u - value : value) & 0xFFu;
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::int64_t MillisecondsOf(const TimeRecord& t) {
    const std::int64_t days = DaysFromCivil(t.year, t.month, t.day);
    return (((days * 24 + t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.milliseconds;
}

}  // namespace

namespace Module1 {

bool StartSockets(const Module1Ports& ports) {
    return StartLibrary(ports).usable;
}

bool StopSockets(const Module1Ports& ports) {
    const std::int32_t n = ports.sockets.Cleanup();
    if (n != 0) {
        ports.messages.Show("Windows Sockets error " + std::to_string(n) + " occurred in Cleanup.",
                            MessageIcon::Exclamation);
        return false;
    }
    return true;
}

std::string ResolveHost(const Module1Ports& ports, const std::string& hostName) {
    // An empty name would be answered with this PC's own address, which is no server.
    if (TrimBlanks(hostName).empty()) {
        return std::string();
    }
    SocketsSession session(ports);
    const std::optional<std::vector<std::uint8_t>> address = ports.sockets.HostAddress(hostName);
    if (!address || address->empty()) {
        return std::string();
    }
    std::string dotted;
    for (const std::uint8_t byte : *address) {
        if (!dotted.empty()) {
            dotted += '.';
        }
        dotted += std::to_string(byte);
    }
    return dotted;
}

std::uint32_t DottedToAddress(std::string_view dotted) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = dotted.find('.', start);
        parts.push_back(
            dotted.substr(start, dot == std::string_view::npos ? dotted.npos : dot - start));
        if (dot == std::string_view::npos) {
            break;
        }
        start = dot + 1;
    }
    if (parts.size() != 4) {
        return 0;
    }
    std::uint32_t address = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        address |= PartByte(parts[i]) << (8 * i);
    }
    return address;
}

std::int32_t SendEcho(const Module1Ports& ports, const std::string& address, EchoReply& reply) {
    const std::uint32_t target = DottedToAddress(address);
    SocketsSession session(ports);
    const IcmpHandle icmp = ports.sockets.IcmpOpen();
    if (icmp == 0) {
        // Without a handle no echo can go out; report it as a failed echo.
        reply.status = kGeneralFailure;
        return -static_cast<std::int32_t>(reply.status);
    }
    const std::uint32_t replies = ports.sockets.IcmpSendEcho(icmp, target, kEchoPayload, reply,
                                                             kEchoReplyBufferSize, kEchoTimeoutMs);
    const std::int32_t result = replies >= 1 ? static_cast<std::int32_t>(reply.roundTripTime)
                                             : -static_cast<std::int32_t>(reply.status);
    ports.sockets.IcmpClose(icmp);
    return result;
}

bool PingHost(const Module1Ports& ports, const std::string& address) {
    SocketsSession session(ports);
    EchoReply reply{};
    SendEcho(ports, std::string(TrimBlanks(address)), reply);
    return reply.dataSize != 0;
}

TimeRecord LocalNow(const Module1Ports& ports) {
    return ports.clock.LocalNow();
}

std::int32_t ElapsedMs(const TimeRecord& start, const TimeRecord& end) {
    const std::int64_t difference = MillisecondsOf(end) - MillisecondsOf(start);
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(difference > kMax   ? kMax
                                     : difference < kMin ? kMin
                                                         : difference);
}

}  // namespace Module1

}  // namespace qvx::updlib
