#include "updater/std_down.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/fakes/std_down_fakes.h"

namespace qvx::updater {
namespace {

using fakes::FakeFiles;
using fakes::FakeHttpResponse;
using fakes::FakeInternet;
using fakes::FakePump;

using Events = std::vector<std::string>;

const std::string kUrl = "http://127.0.0.1:8080/qvxUpgraded.ini";
const std::string kSave = "C:\\Quorvex\\qvxUpgraded\\qvxUpgraded.ini";

std::string Bytes(std::size_t n) {
    std::string body(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        body[i] = static_cast<char>('a' + (i * 7 + i / 1024) % 26);
    }
    return body;
}

class StdDownTest : public ::testing::Test {
protected:
    StdDownTest() {
        down.OnProgress = [this](long& value) { events.push_back(Progress(value)); };
        down.DownloadOver = [this] { events.push_back("DownloadOver"); };
        down.WriteOver = [this] { events.push_back("WriteOver"); };
        down.LineError = [this] { events.push_back("LineError"); };
        down.WriteError = [this] { events.push_back("WriteError"); };
        down.TransferError = [this] { events.push_back("TransferError"); };
    }

    static std::string Progress(long value) { return "OnProgress(" + std::to_string(value) + ")"; }

    void Fetch(const std::string& url = kUrl, const std::string& save = kSave) {
        down.URL = url;
        down.SaveFile = save;
        down.CreateConnect();
        down.Start();
    }

    // Every handle that was handed out has been closed, each exactly once.
    void ExpectHandlesClosedOnce() {
        EXPECT_EQ(net.OpenHandles(), 0);
        EXPECT_EQ(net.closed, net.opened);
        EXPECT_EQ(net.badCloses, 0);
        EXPECT_EQ(net.readsOnBadHandle, 0);
    }

    FakeInternet net;
    FakeFiles files;
    FakePump pump;
    CStdDown down{net, files, pump};
    Events events;
};

struct BodyCase {
    const char* name;
    std::size_t size;
    bool withLength;
    std::vector<std::uint32_t> pieces;  // what the platform hands over per read
    Events expected;
};

void PrintTo(const BodyCase& c, std::ostream* os) {
    *os << c.name;
}

class StdDownBodyTest : public StdDownTest, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(StdDownBodyTest, StoresTheWholeBodyAndReportsEveryRead) {
    const BodyCase& c = GetParam();
    FakeHttpResponse response = FakeInternet::Ok(Bytes(c.size), c.withLength);
    response.pieces = c.pieces;
    net.responses[kUrl] = response;

    Fetch();

    EXPECT_EQ(events, c.expected);
    ASSERT_EQ(files.files.count(kSave), 1u);
    EXPECT_EQ(files.files[kSave], Bytes(c.size));
    ExpectHandlesClosedOnce();
    EXPECT_EQ(down.FileLength(), "0");  // not connected after the transfer
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, StdDownBodyTest,
    ::testing::Values(
        BodyCase{"exactly_two_pieces",
                 2048,
                 true,
                 {},
                 {"OnProgress(1024)", "OnProgress(2048)", "OnProgress(2048)", "WriteOver",
                  "DownloadOver"}},
        BodyCase{
            "one_short_piece", 100, true, {}, {"OnProgress(100)", "WriteOver", "DownloadOver"}},
        BodyCase{"empty", 0, true, {}, {"OnProgress(0)", "WriteOver", "DownloadOver"}},
        // Without a declared length only an empty read ends the body.
        BodyCase{"short_piece_without_length",
                 100,
                 false,
                 {},
                 {"OnProgress(100)", "OnProgress(100)", "WriteOver", "DownloadOver"}},
        // A slow stream hands over less than a full piece mid-body: that is not the end.
        BodyCase{"short_pieces_mid_body",
                 3000,
                 true,
                 {1024, 300, 700, 1024},
                 {"OnProgress(1024)", "OnProgress(1324)", "OnProgress(2024)", "OnProgress(3000)",
                  "WriteOver", "DownloadOver"}},
        BodyCase{"short_pieces_mid_body_without_length",
                 1500,
                 false,
                 {200, 1024},
                 {"OnProgress(200)", "OnProgress(1224)", "OnProgress(1500)", "OnProgress(1500)",
                  "WriteOver", "DownloadOver"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StdDownTest, OpensWithTheAgentDirectAccessAndNoCache) {
    net.responses[kUrl] = FakeInternet::Ok("x");
    Fetch();
    EXPECT_EQ(net.agents, std::vector<std::string>{"Ostrel"});
    EXPECT_EQ(net.accessTypes, std::vector<std::uint32_t>{1});
    EXPECT_EQ(net.urls, std::vector<std::string>{kUrl});
    EXPECT_EQ(net.urlFlags, std::vector<std::uint32_t>{0x80000000u});
}

TEST_F(StdDownTest, FullPiecesAreWrittenInOneOperationEach) {
    net.responses[kUrl] = FakeInternet::Ok(Bytes(4096 + 10));
    Fetch();
    EXPECT_EQ(files.writes, 5);  // four full pieces and the short rest
    EXPECT_GT(pump.calls, 0);    // the window is kept alive while reading
}

TEST_F(StdDownTest, HeaderPropertiesBeforeConnectingAreZero) {
    EXPECT_EQ(down.FileLength(), "0");
    EXPECT_EQ(down.ServerInfo(), "0");
    EXPECT_EQ(down.StatusCode(), 0);
    EXPECT_EQ(net.opened, 0);
}

TEST_F(StdDownTest, ContentLengthFromAMinimalHeaderBlock) {
    FakeHttpResponse response;
    response.headers = std::string("HTTP/1.1 200 OK\0Content-Length: 4096\0\0", 39);
    net.responses[kUrl] = response;
    down.URL = kUrl;
    down.CreateConnect();
    EXPECT_EQ(down.FileLength(), "4096");
    down.Cancel();
    ExpectHandlesClosedOnce();
}

struct HeaderCase {
    const char* name;
    std::vector<std::string> lines;
    std::string length, type, date, lastModified, server;
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
    *os << c.name;
}

class StdDownHeaderTest : public StdDownTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(StdDownHeaderTest, PropertiesReadTheirHeaderLine) {
    const HeaderCase& c = GetParam();
    FakeHttpResponse response;
    for (const std::string& line : c.lines) {
        response.headers += line;
        response.headers += '\0';
    }
    response.headers += '\0';
    net.responses[kUrl] = response;
    down.URL = kUrl;
    down.CreateConnect();

    EXPECT_EQ(down.FileLength(), c.length);
    EXPECT_EQ(down.FileType(), c.type);
    EXPECT_EQ(down.FileDate(), c.date);
    EXPECT_EQ(down.FileLastModified(), c.lastModified);
    EXPECT_EQ(down.ServerInfo(), c.server);
}

const std::string kFiller = "X-Filler: " + std::string(4096, 'f');

INSTANTIATE_TEST_SUITE_P(
    Blocks, StdDownHeaderTest,
    ::testing::Values(
        HeaderCase{"all_five",
                   {"HTTP/1.1 200 OK", "Server: nginx/1.22.1",
                    "Date: Thu, 10 Dec 2026 00:00:00 GMT", "Content-Type: application/octet-stream",
                    "Content-Length: 5120", "Last-Modified: Wed, 09 Dec 2026 12:00:00 GMT"},
                   "5120",
                   "application/octet-stream",
                   "Thu, 10 Dec 2026 00:00:00 GMT",
                   "Wed, 09 Dec 2026 12:00:00 GMT",
                   "nginx/1.22.1"},
        // A missing header gives empty text, never a number a caller would divide by.
        HeaderCase{"absent_headers",
                   {"HTTP/1.1 200 OK", "Content-Type: text/plain"},
                   "",
                   "text/plain",
                   "",
                   "",
                   ""},
        // Names inside other names or values do not count; case does not matter.
        HeaderCase{"names_elsewhere",
                   {"HTTP/1.1 200 OK", "X-Original-Content-Length: 99", "X-Server: proxy",
                    "Via: Server 1", "content-length: 77", "SERVER: lower"},
                   "77",
                   "",
                   "",
                   "",
                   "lower"},
        HeaderCase{"no_blank_after_colon",
                   {"HTTP/1.1 200 OK", "Content-Length:4096", "Server:two"},
                   "4096",
                   "",
                   "",
                   "",
                   "two"},
        // More than 1 KiB of headers before the wanted ones.
        HeaderCase{"block_over_one_kib",
                   {"HTTP/1.1 200 OK", kFiller, "Content-Length: 4096", "Server: big"},
                   "4096",
                   "",
                   "",
                   "",
                   "big"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StdDownTest, LargeHeaderBlockIsQueriedAgainWithTheSizeNeeded) {
    FakeHttpResponse response = FakeInternet::Ok(Bytes(10));
    response.headers = FakeInternet::RawHeaders({"HTTP/1.1 200 OK", kFiller, "Content-Length: 10"});
    net.responses[kUrl] = response;
    down.URL = kUrl;
    down.CreateConnect();
    ASSERT_EQ(net.headerQuerySizes.size(), 2u);
    EXPECT_EQ(net.headerQuerySizes[0], 1024u);
    EXPECT_GE(net.headerQuerySizes[1], response.headers.size());
    EXPECT_EQ(down.FileLength(), "10");
}

TEST_F(StdDownTest, UnreadableHeaderBlockGivesZero) {
    FakeHttpResponse response = FakeInternet::Ok(Bytes(10));
    response.headers.clear();
    net.responses[kUrl] = response;
    Fetch();
    // Without a declared length the body is read to its end.
    EXPECT_EQ(events, (Events{"OnProgress(10)", "OnProgress(10)", "WriteOver", "DownloadOver"}));
    EXPECT_EQ(files.files[kSave], Bytes(10));
}

TEST_F(StdDownTest, PropertiesAnswerInsideDownloadOver) {
    net.responses[kUrl] = FakeInternet::Ok(Bytes(300));
    std::string length;
    down.DownloadOver = [&] { length = down.FileLength(); };
    Fetch();
    EXPECT_EQ(length, "300");
}

TEST_F(StdDownTest, ErrorPageIsStoredAndItsStatusGiven) {
    FakeHttpResponse response = FakeInternet::Ok("<html>not found</html>");
    response.status = 404;
    net.responses[kUrl] = response;
    Fetch();
    EXPECT_EQ(down.StatusCode(), 404);
    EXPECT_EQ(files.files[kSave], "<html>not found</html>");
    EXPECT_EQ(events.back(), "DownloadOver");
}

TEST_F(StdDownTest, ExistingSaveFileIsNeverTouched) {
    files.files[kSave] = "installed";
    net.responses[kUrl] = FakeInternet::Ok(Bytes(100));
    Fetch();
    EXPECT_EQ(events, Events{"WriteError"});
    EXPECT_EQ(files.files[kSave], "installed");
    EXPECT_TRUE(files.removed.empty());
    EXPECT_EQ(net.reads, 0);
    ExpectHandlesClosedOnce();
}

struct ConnectFailure {
    const char* name;
    bool failOpen;
};

void PrintTo(const ConnectFailure& c, std::ostream* os) {
    *os << c.name;
}

class StdDownConnectTest : public StdDownTest,
                           public ::testing::WithParamInterface<ConnectFailure> {};

TEST_P(StdDownConnectTest, NoConnectionRaisesLineErrorAndStartDoesNothing) {
    net.failOpen = GetParam().failOpen;
    FakeHttpResponse refused;
    refused.refuse = true;
    net.responses[kUrl] = refused;
    Fetch();
    EXPECT_EQ(events, Events{"LineError"});
    EXPECT_EQ(files.files.count(kSave), 0u);
    EXPECT_EQ(down.FileLength(), "0");
    EXPECT_EQ(down.StatusCode(), 0);
    ExpectHandlesClosedOnce();
}

INSTANTIATE_TEST_SUITE_P(Failures, StdDownConnectTest,
                         ::testing::Values(ConnectFailure{"refused_port", false},
                                           ConnectFailure{"no_internet_handle", true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BrokenCase {
    const char* name;
    FakeHttpResponse response;
    Events expected;
};

void PrintTo(const BrokenCase& c, std::ostream* os) {
    *os << c.name;
}

FakeHttpResponse ResetAt(std::size_t size, std::size_t at) {
    FakeHttpResponse response = FakeInternet::Ok(Bytes(size));
    response.failAt = at;
    return response;
}

FakeHttpResponse ShorterThanDeclared(std::size_t size, std::size_t declared) {
    FakeHttpResponse response = FakeInternet::Ok(Bytes(size));
    response.headers = FakeInternet::RawHeaders(
        {"HTTP/1.1 200 OK", "Content-Length: " + std::to_string(declared)});
    return response;
}

class StdDownBrokenTest : public StdDownTest, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(StdDownBrokenTest, BrokenBodyLeavesNoFileAndRaisesTransferError) {
    net.responses[kUrl] = GetParam().response;
    Fetch();
    EXPECT_EQ(events, GetParam().expected);
    EXPECT_EQ(files.files.count(kSave), 0u);
    ExpectHandlesClosedOnce();
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, StdDownBrokenTest,
    ::testing::Values(
        BrokenCase{"reset_mid_body", ResetAt(4096, 1500), {"OnProgress(1024)", "TransferError"}},
        BrokenCase{"reset_at_end_without_length",
                   [] {
                       FakeHttpResponse r = ResetAt(2048, 2048);
                       r.headers = FakeInternet::RawHeaders({"HTTP/1.1 200 OK"});
                       return r;
                   }(),
                   {"OnProgress(1024)", "OnProgress(2048)", "TransferError"}},
        // The server closed early: the platform reports a clean end with fewer bytes.
        BrokenCase{"shorter_than_declared",
                   ShorterThanDeclared(1500, 4096),
                   {"OnProgress(1024)", "OnProgress(1500)", "OnProgress(1500)", "TransferError"}},
        BrokenCase{"nothing_of_a_declared_body",
                   ShorterThanDeclared(0, 10),
                   {"OnProgress(0)", "TransferError"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StdDownTest, TransferErrorHandlerMayStartAnotherTransfer) {
    net.responses[kUrl] = ResetAt(4096, 1500);
    net.responses["http://127.0.0.1:8080/b"] = FakeInternet::Ok(Bytes(10));
    down.TransferError = [&] {
        events.push_back("TransferError");
        Fetch("http://127.0.0.1:8080/b", "b");
    };
    Fetch();
    EXPECT_EQ(files.files.count(kSave), 0u);
    EXPECT_EQ(files.files["b"], Bytes(10));
    ExpectHandlesClosedOnce();
}

struct FileFailureCase {
    const char* name;
    bool failCreate;
    std::optional<std::size_t> failWriteAt;
    bool failClose;
    Events expected;
};

void PrintTo(const FileFailureCase& c, std::ostream* os) {
    *os << c.name;
}

class StdDownFileFailureTest : public StdDownTest,
                               public ::testing::WithParamInterface<FileFailureCase> {};

TEST_P(StdDownFileFailureTest, FileTroubleRaisesWriteErrorAndLeavesNoPartialFile) {
    const FileFailureCase& c = GetParam();
    files.failCreate = c.failCreate;
    files.failWriteAt = c.failWriteAt;
    files.failClose = c.failClose;
    net.responses[kUrl] = FakeInternet::Ok(Bytes(3000));
    Fetch();
    EXPECT_EQ(events, c.expected);
    EXPECT_EQ(files.files.count(kSave), 0u);
    ExpectHandlesClosedOnce();
}

INSTANTIATE_TEST_SUITE_P(
    Files, StdDownFileFailureTest,
    ::testing::Values(FileFailureCase{"cannot_create", true, std::nullopt, false, {"WriteError"}},
                      FileFailureCase{
                          "disk_full", false, 2000, false, {"OnProgress(1024)", "WriteError"}},
                      FileFailureCase{"close_fails",
                                      false,
                                      std::nullopt,
                                      true,
                                      {"OnProgress(1024)", "OnProgress(2048)", "OnProgress(3000)",
                                       "WriteError"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StdDownTest, CancelFromOnProgressEndsWithDownloadOverAndKeepsTheChunks) {
    net.responses[kUrl] = FakeInternet::Ok(Bytes(4096));
    down.OnProgress = [&](long& value) {
        events.push_back(Progress(value));
        if (value >= 2048) {
            down.Cancel();
        }
    };
    Fetch();
    EXPECT_EQ(events, (Events{"OnProgress(1024)", "OnProgress(2048)", "DownloadOver"}));
    EXPECT_EQ(files.files[kSave], Bytes(2048));
    EXPECT_EQ(net.reads, 2);  // nothing is read on the closed handles
    ExpectHandlesClosedOnce();
}

TEST_F(StdDownTest, CancelFromAWindowMessageDropsThePieceJustRead) {
    net.responses[kUrl] = FakeInternet::Ok(Bytes(4096));
    // Messages are processed after each read and after each progress event: the third round is
    // right after the second read.
    pump.onEvents = [&](int call) {
        if (call == 3) {
            down.Cancel();
        }
    };
    Fetch();
    EXPECT_EQ(events, (Events{"OnProgress(1024)", "DownloadOver"}));
    EXPECT_EQ(files.files[kSave], Bytes(1024));
    ExpectHandlesClosedOnce();
}

TEST_F(StdDownTest, ProgressHandlerCannotChangeTheCount) {
    net.responses[kUrl] = FakeInternet::Ok(Bytes(2048));
    down.OnProgress = [&](long& value) {
        events.push_back(Progress(value));
        value = 0;
    };
    Fetch();
    EXPECT_EQ(events, (Events{"OnProgress(1024)", "OnProgress(2048)", "OnProgress(2048)",
                              "WriteOver", "DownloadOver"}));
}

// The updater fetches its files one after the other, each started from the DownloadOver of the
// one before, so the transfers nest.
TEST_F(StdDownTest, NestedTransfersFromDownloadOverCloseEveryHandleOnce) {
    const std::vector<std::string> names = {"a.dll", "b.dat", "c.exe"};
    for (std::size_t i = 0; i < names.size(); ++i) {
        net.responses["http://s/" + names[i]] = FakeInternet::Ok(Bytes(1000 + 1500 * i));
    }
    std::size_t current = 0;
    std::vector<int> openDuringOver;
    down.DownloadOver = [&] {
        events.push_back("DownloadOver " + names[current]);
        openDuringOver.push_back(net.OpenHandles());
        if (++current < names.size()) {
            Fetch("http://s/" + names[current], names[current]);
        }
    };
    Fetch("http://s/" + names[0], names[0]);

    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(files.files[names[i]], Bytes(1000 + 1500 * i)) << names[i];
    }
    EXPECT_EQ(openDuringOver, (std::vector<int>{2, 2, 2}));  // only the live transfer's pair
    EXPECT_EQ(net.opened, 6);
    ExpectHandlesClosedOnce();
    EXPECT_EQ(events.back(), "DownloadOver c.exe");
}

TEST_F(StdDownTest, ConnectionOpenedInDownloadOverOutlivesTheOuterTransfer) {
    net.responses[kUrl] = FakeInternet::Ok(Bytes(10));
    net.responses["http://s/next"] = FakeInternet::Ok(Bytes(20));
    down.DownloadOver = [&] {
        down.DownloadOver = nullptr;
        down.URL = "http://s/next";
        down.CreateConnect();  // started later
    };
    Fetch();
    EXPECT_EQ(net.OpenHandles(), 2);
    EXPECT_EQ(down.FileLength(), "20");
    down.SaveFile = "next";
    down.Start();
    EXPECT_EQ(files.files["next"], Bytes(20));
    ExpectHandlesClosedOnce();
}

TEST_F(StdDownTest, StartInsideTheSameTransferDoesNothing) {
    net.responses[kUrl] = FakeInternet::Ok(Bytes(3000));
    int nestedStarts = 0;
    auto startAgain = [&] {
        ++nestedStarts;
        down.SaveFile = "other";
        down.Start();
    };
    down.OnProgress = [&](long& value) {
        events.push_back(Progress(value));
        startAgain();
    };
    down.DownloadOver = [&] {
        events.push_back("DownloadOver");
        startAgain();
    };
    Fetch();
    EXPECT_EQ(nestedStarts, 4);
    EXPECT_EQ(events, (Events{"OnProgress(1024)", "OnProgress(2048)", "OnProgress(3000)",
                              "WriteOver", "DownloadOver"}));
    EXPECT_EQ(files.files[kSave], Bytes(3000));
    EXPECT_EQ(files.files.count("other"), 0u);
    ExpectHandlesClosedOnce();
}

TEST_F(StdDownTest, ReconnectingWhileConnectedClosesTheOldHandles) {
    net.responses[kUrl] = FakeInternet::Ok(Bytes(10));
    down.URL = kUrl;
    down.CreateConnect();
    down.CreateConnect();
    EXPECT_EQ(net.OpenHandles(), 2);
    down.Cancel();
    down.Cancel();
    ExpectHandlesClosedOnce();
}

TEST_F(StdDownTest, DestroyingAConnectedObjectReleasesItsHandles) {
    net.responses[kUrl] = FakeInternet::Ok(Bytes(10));
    {
        CStdDown other(net, files, pump);
        other.URL = kUrl;
        other.CreateConnect();
        EXPECT_EQ(net.OpenHandles(), 2);
    }
    ExpectHandlesClosedOnce();
}

}  // namespace
}  // namespace qvx::updater
