#include "server/stats_service.h"

#include "server/access_log.h"
#include "server/service_metrics.h"

#include "base/ini_text.h"
#include "server/signing/update_signing.h"
#include "server/update_publisher.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

namespace qvx::server {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Holds every report handed over until the test says how its commit ended; or answers at once
// when `inlineAnswer` is set (a sink that fails before its queue, say).
class HeldSink : public ReportSink {
public:
    struct Held {
        UsageReport report;
        std::string clientAddress;
        Done done;
    };

    std::optional<bool> inlineAnswer;

    void Submit(UsageReport report, std::string clientAddress, std::int64_t, Done done) override {
        if (inlineAnswer) {
            done(*inlineAnswer);
            return;
        }
        std::lock_guard lock(mutex_);
        held_.push_back({std::move(report), std::move(clientAddress), std::move(done)});
        changed_.notify_all();
    }

    // The next report handed over, waiting up to two seconds for it.
    std::optional<Held> Take() {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::seconds(2), [&] { return !held_.empty(); })) {
            return std::nullopt;
        }
        Held first = std::move(held_.front());
        held_.erase(held_.begin());
        return first;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Held> held_;
};

class Socket {
public:
    explicit Socket(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
    }
    ~Socket() { close(fd_); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool Send(const std::string& bytes) {
        std::size_t sent = 0;
        while (connected_ && sent < bytes.size()) {
            const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(n);
        }
        return connected_;
    }
    // What arrives until the server closes or `wait` passes.
    std::string ReadAll(milliseconds wait = milliseconds(3000)) {
        std::string got;
        const auto end = Clock::now() + wait;
        while (Clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            const auto left = std::chrono::duration_cast<milliseconds>(end - Clock::now());
            if (poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) {
                break;
            }
            char buffer[65536];
            const ssize_t n = recv(fd_, buffer, sizeof(buffer), 0);
            if (n <= 0) {
                closedByPeer_ = true;
                break;
            }
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    bool ClosedByPeer() const { return closedByPeer_; }

private:
    int fd_;
    bool connected_ = false;
    bool closedByPeer_ = false;
};

std::string StatusOf(const std::string& reply) {
    return reply.substr(0, reply.find("\r\n"));
}
std::string BodyOf(const std::string& reply) {
    const auto blank = reply.find("\r\n\r\n");
    return blank == std::string::npos ? "" : reply.substr(blank + 4);
}

const std::string kUsage = "POST /vmo.api/api/user/addappUserinfo?MAC_in=";
const std::string kVersion = "POST /vmo.api/api/version/Versionpc HTTP/1.1\r\nHost: x\r\n";

std::string UsageRequest(const std::string& mac) {
    // As the main program sends it: raw blanks in the target, no body and no length.
    return kUsage + mac + "&devicetype=pc HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
}

class StatsServiceTest : public ::testing::Test {
protected:
    void Start(ServiceConfig config = {}, AccessLog* log = nullptr) {
        config.bindAddress = "127.0.0.1";
        config.port = 0;
        service_ = std::make_unique<StatsService>(config, sink_, [] { return 1700000000; });
        service_->SetAccessLog(log);
        service_->SetMetrics(metrics_);
        ASSERT_TRUE(service_->Bind());
        server_ = std::thread([this] { served_ = service_->Serve(); });
    }
    void TearDown() override {
        if (service_ && server_.joinable()) {
            service_->Stop();
            server_.join();
        }
    }
    std::string Exchange(const std::string& request) {
        Socket client(service_->Port());
        client.Send(request);
        return client.ReadAll();
    }
    std::string VersionCheck() { return Exchange(kVersion + "Connection: close\r\n\r\n"); }

    HeldSink sink_;
    ServiceMetrics* metrics_ = nullptr;
    std::unique_ptr<StatsService> service_;
    std::thread server_;
    bool served_ = false;
};

TEST_F(StatsServiceTest, ReportIsAnsweredOneOnlyAfterItsCommit) {
    Start();
    Socket client(service_->Port());
    ASSERT_TRUE(client.Send(UsageRequest("00-1A-2B-3C-4D-5E 52-54-00-12-34-56")));
    auto held = sink_.Take();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->report.macText, "00-1A-2B-3C-4D-5E 52-54-00-12-34-56");
    EXPECT_EQ(held->report.deviceType, "pc");
    EXPECT_EQ(held->clientAddress, "127.0.0.1");
    // Nothing is said while the commit is under way; other clients are served meanwhile.
    EXPECT_EQ(client.ReadAll(milliseconds(300)), "");
    EXPECT_EQ(BodyOf(VersionCheck()), "1.5");
    held->done(true);
    const std::string reply = client.ReadAll();
    EXPECT_EQ(StatusOf(reply), "HTTP/1.1 200 OK");
    EXPECT_EQ(BodyOf(reply), "1");
}

TEST_F(StatsServiceTest, ReportNotCommittedIsNeverAnsweredOne) {
    Start();
    for (const bool inlineAnswer : {false, true}) {
        SCOPED_TRACE(inlineAnswer ? "sink fails at once" : "commit fails later");
        if (inlineAnswer) {
            sink_.inlineAnswer = false;
        }
        Socket client(service_->Port());
        ASSERT_TRUE(client.Send(UsageRequest("AA-BB")));
        if (!inlineAnswer) {
            auto held = sink_.Take();
            ASSERT_TRUE(held);
            std::thread([done = held->done] {
                std::this_thread::sleep_for(milliseconds(50));
                done(false);
            }).detach();
        }
        const std::string reply = client.ReadAll();
        EXPECT_NE(StatusOf(reply).find(" 500 "), std::string::npos) << reply;
        EXPECT_NE(BodyOf(reply), "1");
    }
}

TEST_F(StatsServiceTest, BehindABalancerTheProxyHeaderNamesTheClient) {
    ServiceConfig config;
    config.proxyProtocol = true;
    config.idleSeconds = 1;
    Start(config);
    struct Case {
        const char* name;
        std::vector<std::string> parts;  // sent one after another
        const char* client;              // nullptr: dropped unanswered
    };
    const std::string report = UsageRequest("AA-BB");
    const Case cases[] = {
        {"v4", {"PROXY TCP4 203.0.113.7 127.0.0.1 51234 8091\r\n" + report}, "203.0.113.7"},
        {"v6", {"PROXY TCP6 2001:db8::7 ::1 51234 8091\r\n" + report}, "2001:db8::7"},
        {"header in pieces",
         {"PROXY TCP4 198.51", ".100.9 127.0.0.1 1 2\r\n", report},
         "198.51.100.9"},
        {"balancer's own check", {"PROXY UNKNOWN\r\n" + report}, "127.0.0.1"},
        {"no header", {report}, nullptr},
        {"bad address", {"PROXY TCP4 1.2.3 127.0.0.1 1 2\r\n" + report}, nullptr},
        {"header never ends", {"PROXY TCP4 203.0.113.7"}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Socket client(service_->Port());
        for (const std::string& part : c.parts) {
            ASSERT_TRUE(client.Send(part));
            std::this_thread::sleep_for(milliseconds(30));
        }
        if (!c.client) {
            EXPECT_EQ(client.ReadAll(), "");
            EXPECT_TRUE(client.ClosedByPeer());
            continue;
        }
        auto held = sink_.Take();
        ASSERT_TRUE(held);
        EXPECT_EQ(held->clientAddress, c.client);
        EXPECT_EQ(held->report.macText, "AA-BB");
        held->done(true);
        EXPECT_EQ(BodyOf(client.ReadAll()), "1");
    }
    EXPECT_FALSE(sink_.Take()) << "a dropped connection's report reached the sink";
}

// A peer that is no listed balancer may name no client: it is closed, its report never stored.
TEST_F(StatsServiceTest, AProxyHeaderFromAPeerNotListedIsRefused) {
    ServiceConfig config;
    config.proxyProtocol = true;
    config.proxyFrom = "192.0.2.1,2001:db8::/32";  // the test's own loopback is not among them
    Start(config);
    Socket client(service_->Port());
    ASSERT_TRUE(client.Send("PROXY TCP4 6.6.6.6 127.0.0.1 1 2\r\n" + UsageRequest("AA-BB")));
    EXPECT_EQ(client.ReadAll(milliseconds(1500)), "");
    EXPECT_TRUE(client.ClosedByPeer());
    EXPECT_FALSE(sink_.Take()) << "a header from an unlisted peer was believed";
}

// A header cut short leaves nothing to read until more comes: waiting for it costs no CPU.
TEST_F(StatsServiceTest, APartialProxyHeaderIsWaitedForWithoutSpinning) {
    ServiceConfig config;
    config.proxyProtocol = true;
    Start(config);
    Socket client(service_->Port());
    ASSERT_TRUE(client.Send("PROXY TCP4 1.2.3.4"));
    const auto cpu = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double before = cpu();
    std::this_thread::sleep_for(milliseconds(1500));
    EXPECT_LT(cpu() - before, 0.2) << "CPU seconds burnt over 1.5 s by one partial header";
    // The rest of the header still arrives, and the request behind it is answered.
    ASSERT_TRUE(client.Send(" 127.0.0.1 1 2\r\n" + kVersion + "Connection: close\r\n\r\n"));
    EXPECT_EQ(BodyOf(client.ReadAll()), "1.5");
}

// A NUL in the decoded target, encoded or raw, would cut the name short ("/a.txt%00.png"
// serving a.txt): such a target is refused and logged as it was sent.
TEST_F(StatsServiceTest, ATargetWithANulIsRefusedAndLoggedAsSent) {
    char pattern[] = "/tmp/qvx_nul_XXXXXX";
    const fs::path root = mkdtemp(pattern);
    std::ofstream(root / "a.txt") << "text";
    std::ofstream(root / "qvxUpgraded.ini") << "[FileHash]\r\na.txt=0\r\n";
    const fs::path logPath = root / "access.log";
    auto log = AccessLog::Open(logPath.string());
    ASSERT_TRUE(log);
    ServiceConfig config;
    config.updateFolder = root.string();
    Start(config, log.get());
    const struct {
        std::string target;
        const char* status;
        const char* logged;
    } cases[] = {
        {"/a.txt%00.png", "400", "/a.txt%00.png"},
        {std::string("/a.txt\0.png", 11), "400", "/a.txt\\x00.png"},
        {"/a.txt%00", "400", "/a.txt%00"},
        {"/vmo.api/api/version/Versionpc%00", "400", "/vmo.api/api/version/Versionpc%00"},
    };
    for (const auto& c : cases) {
        const std::string reply =
            Exchange("GET " + c.target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(StatusOf(reply).substr(0, 12), std::string("HTTP/1.1 ") + c.status) << c.logged;
        EXPECT_EQ(BodyOf(reply).find("text"), std::string::npos) << c.logged;
    }
    // The file itself is served: the refusals above are for the NUL alone.
    EXPECT_EQ(BodyOf(Exchange("GET /a.txt HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")),
              "text");
    service_->Stop();
    server_.join();
    std::ifstream in(logPath);
    std::string line;
    for (const auto& c : cases) {
        ASSERT_TRUE(std::getline(in, line));
        EXPECT_NE(line.find(std::string("\"GET ") + c.logged + " HTTP/1.1\" 400 "),
                  std::string::npos)
            << line;
    }
    fs::remove_all(root);
}

TEST_F(StatsServiceTest, InvalidReportNeverReachesTheSink) {
    sink_.inlineAnswer = true;
    Start();
    const std::string reply =
        Exchange(kUsage + "00-1A&devicetype=mac HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(StatusOf(reply), "HTTP/1.1 400 Bad Request");
    EXPECT_NE(BodyOf(reply), "1");
}

TEST_F(StatsServiceTest, RequestLimits) {
    sink_.inlineAnswer = true;
    Start();
    const std::string chunk70k = "11170\r\n" + std::string(0x11170, 'a') + "\r\n0\r\n\r\n";
    const struct {
        const char* what;
        std::string request;
        const char* status;
    } cases[] = {
        {"bodiless POST without a length", kVersion + "\r\n", "200"},
        {"body of 64 KiB", kVersion + "Content-Length: 65536\r\n\r\n" + std::string(65536, 'a'),
         "200"},
        {"declared body over 64 KiB", kVersion + "Content-Length: 65537\r\n\r\n", "413"},
        {"absurd declared length", kVersion + "Content-Length: 99999999999999999999\r\n\r\n",
         "413"},
        {"chunked body over 64 KiB", kVersion + "Transfer-Encoding: chunked\r\n\r\n" + chunk70k,
         "413"},
        {"encoded chunked body over 64 KiB",
         kVersion + "Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n\r\n" + chunk70k,
         "413"},
        {"report with a chunked body over 64 KiB",
         UsageRequest("AA").substr(0, UsageRequest("AA").size() - 2) +
             "Transfer-Encoding: chunked\r\n\r\n" + chunk70k,
         "413"},
        {"header line over 16 KiB", kVersion + "X-Pad: " + std::string(17000, 'a') + "\r\n\r\n",
         "431"},
        {"many small header lines",
         kVersion +
             [] {
                 std::string lines;
                 for (int i = 0; i < 4000; ++i) {
                     lines += "a: b\r\n";
                 }
                 return lines;
             }() +
             "\r\n",
         "431"},
        {"body in a coding other than chunked",
         kVersion + "Transfer-Encoding: gzip\r\n\r\n" + std::string(70000, 'a'), "501"},
        {"chunked under another coding",
         kVersion + "Transfer-Encoding: gzip, chunked\r\n\r\n" + chunk70k, "501"},
        {"two transfer-encoding lines",
         kVersion + "Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n\r\n" + chunk70k,
         "501"},
        {"two lengths", kVersion + "Content-Length: 5\r\nContent-Length: 70000\r\n\r\nhello",
         "400"},
        {"length beside chunked",
         kVersion +
             "Transfer-Encoding: chunked\r\nContent-Length: 5\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
         "400"},
        {"chunked body within the limit",
         kVersion + "Transfer-Encoding: Chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n", "200"},
        {"head near 16 KiB", kVersion + "X-Pad: " + std::string(16000, 'a') + "\r\n\r\n", "200"},
    };
    for (const auto& c : cases) {
        Socket client(service_->Port());
        client.Send(c.request);
        const std::string reply = client.ReadAll(milliseconds(2000));
        EXPECT_EQ(StatusOf(reply).substr(0, 12), std::string("HTTP/1.1 ") + c.status) << c.what;
        if (c.status[0] == '4') {
            // Refused heads and bodies end the connection.
            EXPECT_TRUE(client.ClosedByPeer()) << c.what;
        }
    }
}

TEST_F(StatsServiceTest, UpdateFilesOneRangeAtMostNeverDotFilesOrTheDatabase) {
    char pattern[] = "/tmp/qvx_svc_XXXXXX";
    const fs::path root = mkdtemp(pattern);
    std::string bytes;
    for (int i = 0; i < 100000; ++i) {
        bytes += static_cast<char>('a' + i % 26);
    }
    std::ofstream(root / "quorvex.exe", std::ios::binary) << bytes;
    std::ofstream(root / "qvxUpgraded.ini")
        << "[FileHash]\r\nquorvex.exe=0\r\n.htpasswd=0\r\nstats.db=0\r\nstats.db-wal=0\r\n";
    std::ofstream(root / "private.pem") << "key";
    std::ofstream(root / ".htpasswd") << "secret";
    std::ofstream(root / "stats.db") << "rows";
    std::ofstream(root / "stats.db-wal") << "rows";
    ServiceConfig config;
    config.updateFolder = root.string();
    config.databasePath = root / "stats.db";
    Start(config);

    const struct {
        std::string path;
        std::string range;  // header value, empty: none
        const char* status;
        std::string body;
    } cases[] = {
        {"/quorvex.exe", "", "200", bytes},
        {"/quorvex.exe", "bytes=10-19", "206", bytes.substr(10, 10)},
        {"/quorvex.exe", "bytes=99990-", "206", bytes.substr(99990)},
        {"/quorvex.exe", "bytes=-5", "206", bytes.substr(99995)},
        {"/quorvex.exe", "bytes=0-,0-", "416", ""},
        {"/quorvex.exe", "bytes=0-0,5-5,9-9", "416", ""},
        {"/quorvex.exe", "bytes=100000-", "416", ""},
        {"/quorvex.exe", "lines=1-2", "200", bytes},
        {"/.htpasswd", "", "404", "not found"},
        {"/stats.db", "", "404", "not found"},
        {"/stats.db-wal", "", "404", "not found"},
        {"/%2e%2e/etc/passwd", "", "404", "not found"},
        {"/private.pem", "", "404", "not found"},
    };
    for (const auto& c : cases) {
        std::string request = "GET " + c.path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n";
        if (!c.range.empty()) {
            request += "Range: " + c.range + "\r\n";
        }
        const std::string reply = Exchange(request + "\r\n");
        EXPECT_EQ(StatusOf(reply).substr(0, 12), std::string("HTTP/1.1 ") + c.status)
            << c.path << " " << c.range;
        EXPECT_TRUE(BodyOf(reply) == c.body) << c.path << " " << c.range;
    }
    fs::remove_all(root);
}

TEST_F(StatsServiceTest, SlowAndIdleClientsAreCutAndNeverDelayOthers) {
    ServiceConfig config;
    config.requestSeconds = 1;
    config.idleSeconds = 1;
    Start(config);
    Socket idle(service_->Port());
    Socket dribbler(service_->Port());
    const auto start = Clock::now();
    // One byte every 100 ms keeps the connection busy, but the request never completes in time.
    const std::string head = kVersion + std::string(100, 'x');
    std::size_t i = 0;
    bool cut = false;
    while (Clock::now() - start < std::chrono::seconds(4)) {
        if (!dribbler.Send(head.substr(i++ % head.size(), 1))) {
            cut = true;
            break;
        }
        pollfd p{-1, 0, 0};
        poll(&p, 0, 100);
        if (i == 5) {
            const auto asked = Clock::now();
            EXPECT_EQ(BodyOf(VersionCheck()), "1.5");
            EXPECT_LT(Clock::now() - asked, milliseconds(100));
        }
    }
    if (!cut) {
        dribbler.ReadAll(milliseconds(500));
        cut = dribbler.ClosedByPeer();
    }
    EXPECT_TRUE(cut);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    idle.ReadAll(milliseconds(1500));
    EXPECT_TRUE(idle.ClosedByPeer());
}

TEST_F(StatsServiceTest, StopRefusesReportsTheSinkNeverAnswers) {
    ServiceConfig config;
    config.stopWaitForReports = milliseconds(200);
    Start(config);
    Socket reporter(service_->Port());
    ASSERT_TRUE(reporter.Send(UsageRequest("AA-BB")));
    auto held = sink_.Take();
    ASSERT_TRUE(held);
    const auto stopAsked = Clock::now();
    service_->Stop();
    server_.join();
    EXPECT_LT(Clock::now() - stopAsked, milliseconds(1000));
    const std::string reply = reporter.ReadAll(milliseconds(500));
    EXPECT_NE(StatusOf(reply).find(" 500 "), std::string::npos) << reply;
    // The commit that ends after all this changes nothing, even with the service gone.
    service_.reset();
    held->done(true);
}

TEST_F(StatsServiceTest, NearTheConnectionLimitTheOldestIdleClientsMakeRoom) {
    ServiceConfig config;
    config.maxConnections = 16;
    Start(config);
    std::vector<std::unique_ptr<Socket>> idle;
    for (int i = 0; i < 16; ++i) {
        idle.push_back(std::make_unique<Socket>(service_->Port()));
        std::this_thread::sleep_for(milliseconds(10));
    }
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_EQ(BodyOf(VersionCheck()), "1.5");
    // The first to come waited longest; the last are left alone.
    idle.front()->ReadAll(milliseconds(300));
    EXPECT_TRUE(idle.front()->ClosedByPeer());
    idle.back()->ReadAll(milliseconds(300));
    EXPECT_FALSE(idle.back()->ClosedByPeer());
}

TEST_F(StatsServiceTest, StopsPromptlyWithSlowClientsAfterReportsInFlight) {
    Start();
    std::vector<std::unique_ptr<Socket>> slow;
    for (int i = 0; i < 50; ++i) {
        slow.push_back(std::make_unique<Socket>(service_->Port()));
        slow.back()->Send("POST /vmo.api");
    }
    Socket reporter(service_->Port());
    ASSERT_TRUE(reporter.Send(UsageRequest("AA-BB")));
    auto held = sink_.Take();
    ASSERT_TRUE(held);
    const auto stopAsked = Clock::now();
    service_->Stop();
    // The commit under way ends after the stop was asked; its client still hears "1".
    std::this_thread::sleep_for(milliseconds(200));
    held->done(true);
    server_.join();
    EXPECT_LT(Clock::now() - stopAsked, milliseconds(1000));
    EXPECT_TRUE(served_);
    EXPECT_EQ(BodyOf(reporter.ReadAll(milliseconds(500))), "1");
    slow.front()->ReadAll(milliseconds(500));
    EXPECT_TRUE(slow.front()->ClosedByPeer());
}

// The target as sent, but for the MAC text; the client by its network unless addresses are kept.
TEST_F(StatsServiceTest, AccessLogHasALineForEachRequestWithItsTargetAsSentButNoMacText) {
    sink_.inlineAnswer = true;
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "addresses kept" : "addresses cut");
        const fs::path path =
            fs::temp_directory_path() / ("qvx_access_" + std::to_string(getpid()));
        fs::remove(path);
        auto log = AccessLog::Open(path.string());
        ASSERT_TRUE(log);
        ServiceConfig config;
        config.keepClientAddress = keep;
        Start(config, log.get());
        EXPECT_EQ(BodyOf(Exchange(UsageRequest("00-1A 52-54\"x"))), "1");
        EXPECT_EQ(
            StatusOf(Exchange("GET /missing HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")),
            "HTTP/1.1 404 Not Found");
        service_->Stop();
        server_.join();
        std::ifstream in(path);
        std::string first;
        std::string second;
        std::getline(in, first);
        std::getline(in, second);
        EXPECT_TRUE(first.starts_with(keep ? "127.0.0.1 - - [" : "127.0.0.0 - - [")) << first;
        EXPECT_TRUE(
            first.ends_with("] \"POST /vmo.api/api/user/addappUserinfo?MAC_in=(hidden)"
                            "&devicetype=pc HTTP/1.1\" 200 1"))
            << first;
        EXPECT_EQ(first.find("52-54"), std::string::npos) << first;
        EXPECT_TRUE(second.ends_with("\"GET /missing HTTP/1.1\" 404 9")) << second;
        fs::remove(path);
    }
}

TEST_F(StatsServiceTest, MetricsCountEachRequestByEndpointAndStatusAndTheVersionOffered) {
    ServiceMetrics metrics;
    metrics_ = &metrics;
    sink_.inlineAnswer = true;
    Start();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(BodyOf(VersionCheck()), "1.5");
    }
    service_->SetOfferedVersion("1.7");
    EXPECT_EQ(BodyOf(VersionCheck()), "1.7");
    EXPECT_EQ(BodyOf(Exchange(UsageRequest("00-1A"))), "1");
    EXPECT_EQ(BodyOf(Exchange(UsageRequest("00-1B"))), "1");
    EXPECT_EQ(StatusOf(Exchange(kUsage + "&devicetype=pc HTTP/1.1\r\nHost: x\r\n"
                                         "Connection: close\r\n\r\n")),
              "HTTP/1.1 400 Bad Request");
    EXPECT_EQ(StatusOf(Exchange("GET /missing HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")),
              "HTTP/1.1 404 Not Found");
    service_->Stop();
    server_.join();
    const std::string text = metrics.Exposition();
    for (const char* line : {
             "quorvex_stats_requests_total{endpoint=\"version\",status=\"200\"} 4\n",
             "quorvex_stats_requests_total{endpoint=\"report\",status=\"200\"} 2\n",
             "quorvex_stats_requests_total{endpoint=\"report\",status=\"400\"} 1\n",
             "quorvex_stats_requests_total{endpoint=\"file\",status=\"404\"} 1\n",
             "quorvex_stats_reports_accepted_total 2\n",
             "quorvex_stats_report_duration_seconds_count 2\n",
             "quorvex_stats_connections_open 0\n",
             "quorvex_stats_version_offered{version=\"1.7\"} 1\n",
         }) {
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
    const auto days = metrics.VersionChecksByDay().Take();
    ASSERT_EQ(days.size(), 1u);
    EXPECT_EQ(days[0].day, "2023-11-14");  // the service's clock: 1700000000
    EXPECT_EQ(days[0].count, 4);
}

// Publication `generation` of two files: every byte tells which one it is, so a torn or mixed
// copy is seen.
std::string Generation(const std::string& name, int generation, std::size_t size) {
    std::string bytes = name + " generation " + std::to_string(generation) + "\n";
    while (bytes.size() < size) {
        bytes +=
            static_cast<char>('a' + (bytes.size() * 7 + static_cast<std::size_t>(generation)) % 26);
    }
    return bytes;
}

// A client downloading again and again while the folder is published again and again: every
// answer is whole, and no answer is from an older publication than one before it (each
// client sees the old publication, then the new one, never parts of the new before the old).
TEST_F(StatsServiceTest, ADownloadDuringAPublicationSeesOldThenNewNeverAMix) {
    char pattern[] = "/tmp/qvx_pubs_XXXXXX";
    const fs::path root = mkdtemp(pattern);
    const fs::path key = root / "private.pem";
    ASSERT_EQ(std::system(("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out " +
                           key.string() + " 2>/dev/null")
                              .c_str()),
              0);
    std::string error;
    const std::string publicXY = signing::SigningKey::FromPemFile(key.string(), error)->PublicXY();
    const fs::path previous = fs::current_path();
    fs::create_directories(root / "stage" / "data");
    fs::current_path(root / "stage");
    const struct {
        const char* path;  // in the stage and below the update folder
        const char* listName;
        std::size_t size;
    } files[] = {{"quorvex.exe", "quorvex.exe", 400000}, {"data/w.dat", "data\\w.dat", 100000}};
    const auto publish = [&](int generation) {
        for (const auto& f : files) {
            std::ofstream(f.path, std::ios::binary) << Generation(f.listName, generation, f.size);
        }
        std::ostringstream out, err;
        return PublishMain({"--key", key.string(), "--program-version", std::to_string(generation),
                            "--entries-version", "1", "--out", (root / "www" / "update").string(),
                            files[0].path, files[1].path},
                           out, err);
    };
    const auto infoOf = [&](int generation) {
        std::vector<PublishedFile> listed;
        for (const auto& f : files) {
            const std::string bytes = Generation(f.listName, generation, f.size);
            listed.push_back({f.listName, signing::Sha256Hex(bytes), bytes.size()});
        }
        return BuildInfoFile("", std::to_string(generation), "1", listed);
    };
    ASSERT_EQ(publish(1), 0);
    ServiceConfig config;
    config.updateFolder = (root / "www").string();
    Start(config);

    std::atomic<bool> stop{false};
    std::atomic<int> published{1};
    std::thread publisher([&] {
        for (int generation = 2; !stop; ++generation) {
            if (publish(generation) != 0) {
                break;
            }
            published = generation;
        }
    });
    int seen = 1;  // the newest publication any answer came from so far
    std::vector<std::string> faults;
    const auto start = Clock::now();
    while (Clock::now() - start < milliseconds(1500) && faults.size() < 5) {
        // In the order the files are fetched: the files, the information file, its signature.
        for (int item = 0; item < 4; ++item) {
            const std::string path = item == 0   ? "quorvex.exe"
                                     : item == 1 ? "data/w.dat"
                                     : item == 2 ? "qvxUpgraded.ini"
                                                 : "qvxUpgraded.ini.sig";
            const std::string reply = Exchange("GET /update/" + path +
                                               " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
            const std::string body = BodyOf(reply);
            int generation = 0;
            if (StatusOf(reply) != "HTTP/1.1 200 OK") {
                faults.push_back(path + ": " + StatusOf(reply));
                continue;
            }
            if (item < 2) {
                const std::string name = files[item].listName;
                generation = std::atoi(body.c_str() + std::min(body.size(), name.size() + 12));
                if (body != Generation(name, generation, files[item].size)) {
                    faults.push_back(path + ": torn or mixed bytes");
                    continue;
                }
            } else if (item == 2) {
                generation =
                    std::atoi(base::IniValue(body, "Info", "ExeVerM").value_or("0").c_str());
                if (body != infoOf(generation)) {
                    faults.push_back(path + ": not what generation " + std::to_string(generation) +
                                     " published");
                    continue;
                }
            } else {
                for (int g = seen; g <= published + 1 && !generation; ++g) {
                    if (signing::VerifySignature(publicXY, infoOf(g), body)) {
                        generation = g;
                    }
                }
                if (!generation) {
                    faults.push_back(path + ": signs no publication from " + std::to_string(seen));
                    continue;
                }
            }
            if (generation < seen) {
                faults.push_back(path + ": generation " + std::to_string(generation) +
                                 " after generation " + std::to_string(seen));
            }
            seen = std::max(seen, generation);
        }
    }
    stop = true;
    publisher.join();
    fs::current_path(previous);
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults, first: " << faults.front();
    EXPECT_GE(published, 5) << "too few publications to test anything";
    EXPECT_GE(seen, 3) << "the downloads saw too few publications";
    fs::remove_all(root);
}

}  // namespace
}  // namespace qvx::server
