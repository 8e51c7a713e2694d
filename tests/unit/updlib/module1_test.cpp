#include <gtest/gtest.h>

#include <string>

#include "tests/fakes/updlib_fakes.h"
#include "updlib/module1.h"

namespace qvx::updlib {
namespace {

using fakes::Module1Fakes;

TEST(DottedToAddressTest, FourPartsOrZero) {
    struct Case {
        const char* text;
        std::uint32_t address;
    };
    const Case cases[] = {
        {"192.168.0.1", 0x0100A8C0u},
        {"127.0.0.1", 0x0100007Fu},
        {"10.0.0.255", 0xFF00000Au},
        {"1.2.3", 0},
        {"1.2.3.4.5", 0},
        {"", 0},
        {"...", 0},
        {"1.2.3.256", 0x00030201u},  // only the last two hex digits of a part count
        {"1.2.3.x", 0x00030201u},    // a part without digits is 0
        {"1.2.3.4x", 0x04030201u},   // leading digits of a part
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Module1::DottedToAddress(c.text), c.address);
    }
}

TimeRecord At(std::uint16_t year, std::uint16_t month, std::uint16_t day, std::uint16_t hour,
              std::uint16_t minute, std::uint16_t second, std::uint16_t ms) {
    return TimeRecord{year, month, 0, day, hour, minute, second, ms};
}

TEST(ElapsedMsTest, TrueDifferenceAcrossMinuteHourAndMidnight) {
    struct Case {
        const char* name;
        TimeRecord start;
        TimeRecord end;
        std::int32_t ms;
    };
    const Case cases[] = {
        {"within a second", At(2026, 12, 10, 10, 0, 0, 100), At(2026, 12, 10, 10, 0, 0, 304), 204},
        {"minute", At(2026, 12, 10, 10, 0, 59, 950), At(2026, 12, 10, 10, 1, 0, 50), 100},
        {"hour", At(2026, 12, 10, 10, 59, 59, 950), At(2026, 12, 10, 11, 0, 0, 50), 100},
        {"midnight", At(2026, 12, 10, 23, 59, 59, 900), At(2026, 12, 11, 0, 0, 0, 150), 250},
        {"month end", At(2026, 2, 28, 23, 59, 59, 999), At(2026, 3, 1, 0, 0, 0, 1), 2},
        {"year end", At(2026, 12, 31, 23, 59, 59, 990), At(2027, 1, 1, 0, 0, 0, 10), 20},
        {"leap day", At(2028, 2, 28, 12, 0, 0, 0), At(2028, 3, 1, 12, 0, 0, 0), 172800000},
        {"backwards", At(2026, 12, 10, 11, 0, 0, 50), At(2026, 12, 10, 10, 59, 59, 950), -100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Module1::ElapsedMs(c.start, c.end), c.ms);
    }
    // Far apart: held at the 32-bit limits instead of wrapping.
    EXPECT_EQ(Module1::ElapsedMs(At(2000, 1, 1, 0, 0, 0, 0), At(2026, 1, 1, 0, 0, 0, 0)),
              2147483647);
}

TEST(LocalNowTest, ComesFromTheClock) {
    Module1Fakes fakes;
    fakes.clock.now = At(2026, 12, 10, 1, 2, 3, 4);
    const TimeRecord now = Module1::LocalNow(fakes.Ports());
    EXPECT_EQ(now.hour, 1);
    EXPECT_EQ(now.minute, 2);
    EXPECT_EQ(now.second, 3);
    EXPECT_EQ(now.milliseconds, 4);
}

// The library is released exactly as often as it was started, whatever happened in between.
void ExpectPaired(const fakes::FakeSockets& sockets) {
    EXPECT_EQ(sockets.depth, 0);
    EXPECT_EQ(sockets.cleanups, sockets.startedOk);
}

TEST(SocketsPairingTest, EveryOperationReleasesWhatItStarted) {
    struct Case {
        const char* name;
        std::int32_t startError;
        std::uint16_t version;
        std::uint16_t maxSockets;
        bool resolves;
        std::uint32_t echoReplies;
        bool icmpFails;
    };
    const Case cases[] = {
        {"all well", 0, 0x0101, 32767, true, 1, false},
        {"name does not resolve", 0, 0x0101, 32767, false, 1, false},
        {"no echo reply", 0, 0x0101, 32767, true, 0, false},
        {"no ICMP handle", 0, 0x0101, 32767, true, 1, true},
        {"start fails", 10091, 0, 0, true, 1, false},
        {"old version", 0, 0x0001, 32767, true, 1, false},
        {"no sockets", 0, 0x0101, 0, true, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Module1Fakes fakes;
        fakes.sockets.startup = {c.startError, c.version, c.maxSockets};
        fakes.sockets.echoReplies = c.echoReplies;
        fakes.sockets.echoStatus = 11010;
        fakes.sockets.icmpOpenFails = c.icmpFails;
        if (c.resolves) {
            fakes.sockets.hosts["update.example"] = {10, 0, 0, 1};
        }
        Module1::ResolveHost(fakes.Ports(), "update.example");
        ExpectPaired(fakes.sockets);
        EchoReply reply{};
        Module1::SendEcho(fakes.Ports(), "10.0.0.1", reply);
        ExpectPaired(fakes.sockets);
        Module1::PingHost(fakes.Ports(), "10.0.0.1");
        ExpectPaired(fakes.sockets);
        EXPECT_EQ(fakes.sockets.icmpOpened, 2);
        EXPECT_EQ(fakes.sockets.icmpClosed, c.icmpFails ? 0 : 2);
        // No false alarm about the release.
        for (const auto& shown : fakes.messages.shown) {
            EXPECT_EQ(shown.text.find("Cleanup"), std::string::npos) << shown.text;
        }
    }
}

TEST(SocketsStartTest, MessagesOfAFailedStart) {
    struct Case {
        std::int32_t error;
        std::uint16_t version;
        std::uint16_t maxSockets;
        const char* text;
        MessageIcon icon;
    };
    const Case cases[] = {
        {10091, 0, 0,
         "Windows Sockets for 32 bit Windows environments is not successfully responding.",
         MessageIcon::None},
        {0, 0x0000, 100,
         "Windows Sockets Version 0.0 is not supported by Windows Sockets for 32 bit Windows "
         "environments.",
         MessageIcon::Exclamation},
        {0, 0x0001, 100,
         "Windows Sockets Version 1.0 is not supported by Windows Sockets for 32 bit Windows "
         "environments.",
         MessageIcon::Exclamation},
        {0, 0x0101, 0, "This application requires a minimum of 1 supported sockets.",
         MessageIcon::Exclamation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Module1Fakes fakes;
        fakes.sockets.startup = {c.error, c.version, c.maxSockets};
        EXPECT_FALSE(Module1::StartSockets(fakes.Ports()));
        ASSERT_EQ(fakes.messages.shown.size(), 1u);
        EXPECT_EQ(fakes.messages.shown[0].text, c.text);
        EXPECT_EQ(fakes.messages.shown[0].icon, c.icon);
        EXPECT_EQ(fakes.sockets.requestedVersion, 0x0101);
    }
}

TEST(SocketsStartTest, GoodStartAndStop) {
    Module1Fakes fakes;
    fakes.sockets.startup = {0, 0x0202, 0x7FFF};
    EXPECT_TRUE(Module1::StartSockets(fakes.Ports()));
    EXPECT_TRUE(Module1::StopSockets(fakes.Ports()));
    EXPECT_TRUE(fakes.messages.shown.empty());
    // A release the platform refuses is reported with its number.
    EXPECT_FALSE(Module1::StopSockets(fakes.Ports()));
    ASSERT_EQ(fakes.messages.shown.size(), 1u);
    EXPECT_EQ(fakes.messages.shown[0].text, "Windows Sockets error -1 occurred in Cleanup.");
    EXPECT_EQ(fakes.messages.shown[0].icon, MessageIcon::Exclamation);
}

TEST(ResolveHostTest, DottedTextOfTheFirstAddress) {
    Module1Fakes fakes;
    fakes.sockets.hosts["localhost"] = {127, 0, 0, 1};
    fakes.sockets.hosts["multi.example"] = {192, 168, 10, 200};
    EXPECT_EQ(Module1::ResolveHost(fakes.Ports(), "localhost"), "127.0.0.1");
    EXPECT_EQ(Module1::ResolveHost(fakes.Ports(), "multi.example"), "192.168.10.200");
    EXPECT_EQ(Module1::ResolveHost(fakes.Ports(), "10.0.0.1"), "10.0.0.1");
    EXPECT_EQ(fakes.sockets.depthDuringLookup, 1);  // looked up with the library started
    EXPECT_EQ(Module1::ResolveHost(fakes.Ports(), "no.such.host"), "");
    EXPECT_EQ(Module1::ResolveHost(fakes.Ports(), "Error"), "");
    ExpectPaired(fakes.sockets);
    EXPECT_TRUE(fakes.messages.shown.empty());
}

TEST(ResolveHostTest, BlankNameIsNoServer) {
    Module1Fakes fakes;
    EXPECT_EQ(Module1::ResolveHost(fakes.Ports(), ""), "");
    EXPECT_EQ(Module1::ResolveHost(fakes.Ports(), "   "), "");
    EXPECT_TRUE(fakes.sockets.lookups.empty());
    ExpectPaired(fakes.sockets);
}

TEST(SendEchoTest, OneRequestOfTheFixedShape) {
    Module1Fakes fakes;
    fakes.sockets.echoRoundTrip = 5;
    EchoReply reply{};
    EXPECT_EQ(Module1::SendEcho(fakes.Ports(), "192.168.0.1", reply), 5);
    ASSERT_EQ(fakes.sockets.echoAddresses.size(), 1u);
    EXPECT_EQ(fakes.sockets.echoAddresses[0], 0x0100A8C0u);
    EXPECT_EQ(fakes.sockets.echoPayload, "My Request");
    EXPECT_EQ(fakes.sockets.echoReplySize, 278u);
    EXPECT_EQ(fakes.sockets.echoTimeout, 200u);
    EXPECT_EQ(fakes.sockets.depthDuringEcho, 1);
    EXPECT_EQ(reply.dataSize, 10);
}

TEST(SendEchoTest, NoReplyGivesTheNegatedStatus) {
    Module1Fakes fakes;
    fakes.sockets.echoReplies = 0;
    fakes.sockets.echoStatus = 11010;  // timed out
    EchoReply reply{};
    EXPECT_EQ(Module1::SendEcho(fakes.Ports(), "10.0.0.9", reply), -11010);
    fakes.sockets.icmpOpenFails = true;
    EchoReply failed{};
    EXPECT_LT(Module1::SendEcho(fakes.Ports(), "10.0.0.9", failed), 0);
    EXPECT_EQ(fakes.sockets.icmpClosed, 1);  // only the handle that was opened
}

TEST(PingHostTest, TrueOnlyWhenAnEchoWithDataCameBack) {
    struct Case {
        const char* name;
        std::uint32_t replies;
        std::uint16_t dataSize;
        bool expected;
    };
    const Case cases[] = {
        {"reply with data", 1, 10, true},
        {"reply without data", 1, 0, false},
        {"no reply", 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Module1Fakes fakes;
        fakes.sockets.echoReplies = c.replies;
        fakes.sockets.echoDataSize = c.dataSize;
        EXPECT_EQ(Module1::PingHost(fakes.Ports(), "  127.0.0.1 "), c.expected);
        // Started twice, nested: once around the ping, once around the echo.
        EXPECT_EQ(fakes.sockets.maxDepth, 2);
        EXPECT_EQ(fakes.sockets.depthDuringEcho, 2);
        ASSERT_EQ(fakes.sockets.echoAddresses.size(), 1u);
        EXPECT_EQ(fakes.sockets.echoAddresses[0], 0x0100007Fu);  // blanks removed first
        ExpectPaired(fakes.sockets);
    }
}

}  // namespace
}  // namespace qvx::updlib
