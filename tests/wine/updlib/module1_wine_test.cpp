#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "updlib/module1.h"
#include "updlib/win32/win32_adapters.h"

namespace qvx::updlib::win32 {
namespace {

// Records the message boxes instead of showing them.
class RecordedMessages : public MessageBoxPort {
public:
    void Show(const std::string& text, MessageIcon) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class Module1WineTest : public ::testing::Test {
protected:
    Module1Ports Ports() { return Module1Ports{*sockets, messages, *clock}; }

    // True when this process holds no start of the socket library.
    static bool LibraryReleased() {
        const int result = WSACleanup();
        return result == SOCKET_ERROR && WSAGetLastError() == WSANOTINITIALISED;
    }

    std::unique_ptr<Sockets> sockets = win32::MakeSockets();
    std::unique_ptr<Clock> clock = win32::MakeClock();
    RecordedMessages messages;
};

TEST_F(Module1WineTest, ResolvesLoopbackNames) {
    EXPECT_EQ(Module1::ResolveHost(Ports(), "127.0.0.1"), "127.0.0.1");
    EXPECT_EQ(Module1::ResolveHost(Ports(), "localhost"), "127.0.0.1");
    EXPECT_TRUE(LibraryReleased());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Module1WineTest, UnresolvableNameGivesEmptyTextAndReleasesTheLibrary) {
    EXPECT_EQ(Module1::ResolveHost(Ports(), "no-such-host.invalid"), "");
    EXPECT_TRUE(LibraryReleased());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Module1WineTest, PingsLoopback) {
    const TimeRecord start = Module1::LocalNow(Ports());
    const bool answered = Module1::PingHost(Ports(), "127.0.0.1");
    const std::int32_t elapsed = Module1::ElapsedMs(start, Module1::LocalNow(Ports()));
    std::printf("PingHost(127.0.0.1) = %d in %d ms\n", answered ? 1 : 0, elapsed);
    EXPECT_TRUE(answered);
    EXPECT_GE(elapsed, 0);
    EXPECT_LT(elapsed, 1000);
    EchoReply reply{};
    const std::int32_t roundTrip = Module1::SendEcho(Ports(), "127.0.0.1", reply);
    EXPECT_GE(roundTrip, 0);
    EXPECT_EQ(reply.dataSize, 10);
    EXPECT_EQ(std::string(reply.data.begin(), reply.data.begin() + 10), "My Request");
    EXPECT_EQ(reply.address, Module1::DottedToAddress("127.0.0.1"));
    EXPECT_TRUE(LibraryReleased());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(Module1WineTest, LocalNowIsTheLocalTime) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    const TimeRecord now = Module1::LocalNow(Ports());
    EXPECT_EQ(now.year, before.wYear);
    EXPECT_EQ(now.month, before.wMonth);
    EXPECT_EQ(now.day, before.wDay);
}

}  // namespace
}  // namespace qvx::updlib::win32
