#include "report/win32/xml_http_poster.h"

#include <winsock2.h>
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "report/mac_address.h"
#include "report/post_request.h"
#include "report/win32/wmi_mac_source.h"

namespace qvx::report::win32 {
namespace {

using namespace std::chrono_literals;
using Outcome = HttpPostResult::Outcome;

// The lines the poster logs: only a request that broke down is written, never a reply or a
// network failure, which are outcomes of their own.
class RecordingLog : public base::Log {
public:
    void Write(std::string_view where, std::string_view what) noexcept override {
        lines.push_back(std::string(where) + ": " + std::string(what));
    }
    std::vector<std::string> lines;
};

class Winsock {
public:
    Winsock() { WSAStartup(MAKEWORD(2, 2), &data_); }
    ~Winsock() { WSACleanup(); }

private:
    WSADATA data_{};
};

class Socket {
public:
    explicit Socket(SOCKET s = INVALID_SOCKET) : s_(s) {}
    ~Socket() { Close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET Get() const { return s_; }
    void Close() {
        if (s_ != INVALID_SOCKET) {
            closesocket(s_);
            s_ = INVALID_SOCKET;
        }
    }

private:
    SOCKET s_;
};

// A one-thread HTTP server on 127.0.0.1 with an ephemeral port. It either answers every request
// with a fixed status and body, or accepts and then never answers.
class LoopbackServer {
public:
    LoopbackServer(int status, std::string body, bool silent = false)
        : listener_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)),
          status_(status),
          body_(std::move(body)),
          silent_(silent) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        bind(listener_.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        int len = sizeof(addr);
        getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        listen(listener_.Get(), 8);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        stop_ = true;
        listener_.Close();
        thread_.join();
    }

    std::string Url(const std::string& pathAndQuery) const {
        return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
    }
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        std::vector<SOCKET> held;
        while (!stop_) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(listener_.Get(), &readable);
            timeval wait{0, 50'000};
            if (select(0, &readable, nullptr, nullptr, &wait) <= 0) {
                continue;
            }
            SOCKET client = accept(listener_.Get(), nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                continue;
            }
            if (silent_) {
                held.push_back(client);  // read nothing, answer nothing
                continue;
            }
            Answer(client);
            closesocket(client);
        }
        for (SOCKET s : held) {
            closesocket(s);
        }
    }

    void Answer(SOCKET client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int n = recv(client, buffer, sizeof(buffer), 0);
            if (n <= 0) {
                return;
            }
            request.append(buffer, static_cast<std::size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        const std::string reply =
            "HTTP/1.1 " + std::to_string(status_) + (status_ == 200 ? " OK" : " Not Found") +
            "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body_.size()) +
            "\r\nConnection: close\r\n\r\n" + body_;
        send(client, reply.data(), static_cast<int>(reply.size()), 0);
        shutdown(client, SD_SEND);
    }

    Winsock winsock_;
    Socket listener_;
    int port_ = 0;
    int status_;
    std::string body_;
    bool silent_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A port on which nothing listens: bound once, then closed.
int RefusedPort() {
    Winsock winsock;
    Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    int len = sizeof(addr);
    getsockname(s.Get(), reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

TEST(XmlHttpPoster, PostArrivesWithItsHeaderAndTheBodyComesBack) {
    LoopbackServer server(200, " 1.6\r\n");
    RecordingLog log;
    XmlHttpPoster poster(log);
    const std::string reply = PostRequest(poster, server.Url("/vmo.api/api/version/Versionpc"));
    EXPECT_EQ(reply, " 1.6\r\n");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("POST /vmo.api/api/version/Versionpc HTTP/1.1\r\n", 0), 0u)
        << requests[0];
    EXPECT_NE(requests[0].find("Content-Type: application/x-www-form-urlencoded\r\n"),
              std::string::npos)
        << requests[0];
    EXPECT_TRUE(log.lines.empty());
}

TEST(XmlHttpPoster, MacTextWithABlankReachesTheServer) {
    LoopbackServer server(200, "1");
    RecordingLog log;
    XmlHttpPoster poster(log);
    EXPECT_EQ(PostRequest(poster, server.Url("/vmo.api/api/user/addappUserinfo?MAC_in="
                                             "00-1A-2B-3C-4D-5E 52-54-00-12-34-56&devicetype=pc")),
              "1");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    // The object escapes the blank on the way; the service accepts both forms.
    const std::string line = requests[0].substr(0, requests[0].find("\r\n"));
    std::cout << "request line as sent: " << line << "\n";
    EXPECT_NE(line.find("MAC_in=00-1A-2B-3C-4D-5E"), std::string::npos);
    EXPECT_NE(line.find("52-54-00-12-34-56&devicetype=pc"), std::string::npos);
}

TEST(XmlHttpPoster, ErrorStatusGivesItsBody) {
    LoopbackServer server(404, "no such page");
    RecordingLog log;
    XmlHttpPoster poster(log);
    const HttpPostResult result = poster.Post({server.Url("/missing"), kFormContentType, 5000ms});
    EXPECT_EQ(result.outcome, Outcome::Replied);
    EXPECT_EQ(result.status, 404);
    EXPECT_EQ(PostRequest(poster, server.Url("/missing")), "no such page");
}

TEST(XmlHttpPoster, RefusedPortGivesMinusOne) {
    RecordingLog log;
    XmlHttpPoster poster(log);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(PostRequest(poster, "http://127.0.0.1:" + std::to_string(RefusedPort()) + "/v"),
              "-1");
    // Refused at once, not after the bound.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_TRUE(log.lines.empty());
}

TEST(XmlHttpPoster, SilentServerTimesOutWithinTheBound) {
    LoopbackServer server(200, "", /*silent=*/true);
    RecordingLog log;
    XmlHttpPoster poster(log);
    const auto started = std::chrono::steady_clock::now();
    const HttpPostResult result = poster.Post({server.Url("/v"), kFormContentType, 1500ms});
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(result.outcome, Outcome::TimedOut);
    EXPECT_GE(took, 1400ms);
    EXPECT_LT(took, 2500ms);
    // The same through PostRequest, with the bound the program uses.
    const auto again = std::chrono::steady_clock::now();
    EXPECT_EQ(PostRequest(poster, server.Url("/v")), "-1");
    EXPECT_LT(std::chrono::steady_clock::now() - again, kRequestTimeout + 500ms);
}

// The apartment a thread is in after a call: APTTYPE (the process's first STA counts as an
// STA), or -1 when it is outside COM.
int ApartmentOf() {
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    const HRESULT hr = CoGetApartmentType(&type, &qualifier);
    if (hr == CO_E_NOTINITIALIZED)
        return -1;
    if (FAILED(hr))
        return -2;
    return type == APTTYPE_MAINSTA ? APTTYPE_STA : static_cast<int>(type);
}

// The first tick's exchange as the program's main thread runs it (version check, adapter query,
// usage report), twice in one thread: each use of COM opens an apartment of its own and leaves
// the thread as it found it, outside COM (so the servers it loaded may go) or in the caller's
// own apartment, and COM taken up again serves a second exchange just as the first.
TEST(ServerExchangeAdapters, LeaveTheThreadAsTheyFoundItAndWorkAgain) {
    struct Case {
        const char* name;
        bool callerApartment;
        int expected;
    };
    for (const Case& c :
         {Case{"outside COM", false, -1}, Case{"caller's STA", true, APTTYPE_STA}}) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(200, "1");
        std::vector<std::string> failures;
        std::thread thread([&] {
            const HRESULT init =
                c.callerApartment ? CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) : S_OK;
            RecordingLog log;
            XmlHttpPoster poster(log);
            WmiMacSource macs;
            for (int exchange = 1; exchange <= 2; ++exchange) {
                const std::string round =
                    std::string("exchange ").append(std::to_string(exchange)).append(": ");
                if (PostRequest(poster, server.Url("/vmo.api/api/version/Versionpc")) != "1") {
                    failures.push_back(round + "version check");
                }
                if (ApartmentOf() != c.expected) {
                    failures.push_back(std::string(round)
                                           .append("apartment after the request: ")
                                           .append(std::to_string(ApartmentOf())));
                }
                const auto list = macs.IpEnabledMacs();
                if (!list) {
                    failures.push_back(round + "adapter query failed");
                }
                if (ApartmentOf() != c.expected) {
                    failures.push_back(std::string(round)
                                           .append("apartment after the adapter query: ")
                                           .append(std::to_string(ApartmentOf())));
                }
                const std::string mac = list ? MacText(*list) : "";
                const std::string usage = std::string("/vmo.api/api/user/addappUserinfo?MAC_in=")
                                              .append(mac)
                                              .append("&devicetype=pc");
                if (PostRequest(poster, server.Url(usage)) != "1") {
                    failures.push_back(round + "usage report");
                }
            }
            if (c.callerApartment && SUCCEEDED(init)) {
                CoUninitialize();
            }
        });
        thread.join();
        for (const std::string& failure : failures) {
            ADD_FAILURE() << failure;
        }
        EXPECT_EQ(server.Requests().size(), 4u);
    }
}

}  // namespace
}  // namespace qvx::report::win32
