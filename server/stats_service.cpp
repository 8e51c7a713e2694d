#include "server/stats_service.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <future>
#include <sstream>
#include <system_error>

#include "server/proxy_header.h"

namespace qvx::server {

namespace {

constexpr std::size_t kMaxRequestHead = 16384;

std::string AddressText(const sockaddr_storage& addr) {
    char text[INET6_ADDRSTRLEN] = "";
    if (addr.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(addr).sin_addr, text,
                  sizeof(text));
    } else if (addr.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(addr).sin6_addr, text,
                  sizeof(text));
    }
    return text;
}

int PortOf(const sockaddr_storage& addr) {
    if (addr.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(addr).sin_port);
    }
    if (addr.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(addr).sin6_port);
    }
    return 0;
}

// A buffered socket stream that, at the start of each request, writes the blanks inside the
// request target as %20 before the parser sees the line: the main program sends its MAC text
// unencoded, and the parser would otherwise reject the line outright.
class RequestLineStream : public httplib::Stream {
public:
    RequestLineStream(int sock, time_t readSeconds, time_t writeSeconds, bool proxyHeader)
        : sock_(sock),
          readTimeoutMs_(static_cast<int>(readSeconds * 1000)),
          writeTimeoutMs_(static_cast<int>(writeSeconds * 1000)),
          proxyHeaderDue_(proxyHeader) {}

    // Behind a TCP balancer: the connection starts with the balancer's PROXY header, which names
    // the client. False (the connection is to be dropped) when it does not.
    bool ReadProxyHeader() {
        while (proxyHeaderDue_) {
            const ProxyHeader header = ParseProxyHeader(std::string_view(data_).substr(pos_));
            if (header.status == ProxyHeader::Status::kInvalid) {
                return false;
            }
            if (header.status == ProxyHeader::Status::kComplete) {
                pos_ += header.length;
                proxyAddress_ = header.clientAddress;
                proxyPort_ = header.clientPort;
                proxyHeaderDue_ = false;
            } else if (Fill() <= 0) {
                return false;
            }
        }
        return true;
    }

    void StartRequest() { atRequestStart_ = true; }
    bool HasBuffered() const { return pos_ < data_.size(); }

    bool is_readable() const override { return HasBuffered() || WaitFor(POLLIN, readTimeoutMs_); }
    bool is_writable() const override { return WaitFor(POLLOUT, writeTimeoutMs_); }

    ssize_t read(char* ptr, size_t size) override {
        if (atRequestStart_) {
            atRequestStart_ = false;
            EscapeRequestLine();
        }
        if (!HasBuffered()) {
            data_.clear();
            pos_ = 0;
            const ssize_t n = Fill();
            if (n <= 0) {
                return n;
            }
        }
        const std::size_t n = std::min(size, data_.size() - pos_);
        std::memcpy(ptr, data_.data() + pos_, n);
        pos_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) {
            return -1;
        }
        return send(sock_, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        if (!proxyAddress_.empty()) {
            ip = proxyAddress_;
            port = proxyPort_;
            return;
        }
        sockaddr_storage addr{};
        socklen_t len = sizeof(addr);
        if (getpeername(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
            ip = AddressText(addr);
            port = PortOf(addr);
        }
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage addr{};
        socklen_t len = sizeof(addr);
        if (getsockname(sock_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
            ip = AddressText(addr);
            port = PortOf(addr);
        }
    }
    socket_t socket() const override { return sock_; }

private:
    bool WaitFor(short events, int timeoutMs) const {
        pollfd p{sock_, events, 0};
        int rc;
        do {
            rc = poll(&p, 1, timeoutMs);
        } while (rc < 0 && errno == EINTR);
        return rc > 0;
    }

    ssize_t Fill() {
        if (!WaitFor(POLLIN, readTimeoutMs_)) {
            return -1;
        }
        char buffer[4096];
        ssize_t n;
        do {
            n = recv(sock_, buffer, sizeof(buffer), 0);
        } while (n < 0 && errno == EINTR);
        if (n > 0) {
            data_.append(buffer, static_cast<std::size_t>(n));
        }
        return n;
    }

    // Reads up to the end of the request head and normalises it in the buffer. A head that
    // never ends (or is too long) is left as it is; the parser then rejects it.
    void EscapeRequestLine() {
        std::size_t end;
        while ((end = data_.find("\r\n\r\n", pos_)) == std::string::npos) {
            if (data_.size() - pos_ > kMaxRequestHead || Fill() <= 0) {
                return;
            }
        }
        const std::string head = data_.substr(pos_, end + 4 - pos_);
        const std::string fixed = NormaliseRequestHead(head);
        if (fixed != head) {
            data_.replace(pos_, head.size(), fixed);
        }
    }

    int sock_;
    int readTimeoutMs_;
    int writeTimeoutMs_;
    std::string data_;
    std::size_t pos_ = 0;
    bool atRequestStart_ = false;
    bool proxyHeaderDue_;
    std::string proxyAddress_;
    int proxyPort_ = 0;
};

class BlankTolerantServer : public httplib::Server {
public:
    explicit BlankTolerantServer(bool proxyProtocol) : proxyProtocol_(proxyProtocol) {}

private:
    bool proxyProtocol_;

    bool process_and_close_socket(socket_t sock) override {
        bool ok = false;
        // Head and body go out in separate writes; without this each reply waits for the
        // client's delayed acknowledgement.
        int yes = 1;
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof(yes));
        {
            RequestLineStream stream(sock, read_timeout_sec_, write_timeout_sec_, proxyProtocol_);
            for (std::size_t left = stream.ReadProxyHeader() ? keep_alive_max_count_ : 0; left > 0;
                 --left) {
                if (!WaitForNextRequest(sock, stream)) {
                    break;
                }
                stream.StartRequest();
                bool closed = false;
                ok = process_request(stream, left == 1, closed, nullptr);
                if (!ok || closed) {
                    break;
                }
            }
        }
        shutdown(sock, SHUT_RDWR);
        close(sock);
        return ok;
    }

    // Keep-alive wait, in short steps so that a stopping server does not wait for idle clients.
    bool WaitForNextRequest(socket_t sock, const RequestLineStream& stream) const {
        if (stream.HasBuffered()) {
            return true;
        }
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
        while (svr_sock_ != INVALID_SOCKET && std::chrono::steady_clock::now() < deadline) {
            pollfd p{sock, POLLIN, 0};
            const int rc = poll(&p, 1, 100);
            if (rc > 0) {
                return true;
            }
            if (rc < 0 && errno != EINTR) {
                return false;
            }
        }
        return false;
    }
};

std::optional<std::string> Param(const httplib::Request& req, const char* name) {
    if (!req.has_param(name)) {
        return std::nullopt;
    }
    return req.get_param_value(name);
}

std::string MimeTypeOf(const std::filesystem::path& file) {
    const std::string ext = file.extension().string();
    if (ext == ".ini" || ext == ".txt") {
        return "text/plain";
    }
    return "application/octet-stream";
}

}  // namespace

std::optional<std::filesystem::path> ResolveUpdateFile(const std::filesystem::path& root,
                                                       const std::string& requestPath) {
    if (requestPath.size() < 2 || requestPath[0] != '/' ||
        requestPath.find_first_of(std::string("\\\0", 2)) != std::string::npos) {
        return std::nullopt;
    }
    std::filesystem::path relative;
    std::istringstream steps(requestPath.substr(1));
    std::string step;
    while (std::getline(steps, step, '/')) {
        if (step.empty() || step == "." || step == "..") {
            return std::nullopt;
        }
        relative /= step;
    }
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::canonical(root, ec);
    if (ec) {
        return std::nullopt;
    }
    // Canonical form follows links: a link inside the folder may not lead out of it.
    const std::filesystem::path file = std::filesystem::canonical(base / relative, ec);
    if (ec || !std::filesystem::is_regular_file(file, ec)) {
        return std::nullopt;
    }
    const auto [rootEnd, unused] =
        std::mismatch(base.begin(), base.end(), file.begin(), file.end());
    if (rootEnd != base.end()) {
        return std::nullopt;
    }
    return file;
}

StatsService::StatsService(ServiceConfig config, ReportSink& sink,
                           std::function<std::int64_t()> now)
    : config_(std::move(config)),
      sink_(sink),
      now_(std::move(now)),
      http_(std::make_unique<BlankTolerantServer>(config_.proxyProtocol)) {
    // Handlers wait for their batch's commit; more of them waiting means larger batches.
    http_->new_task_queue = [] { return new httplib::ThreadPool(64); };
    http_->set_payload_max_length(64 * 1024);
    // Address reuse only: a second copy on the same port must fail to start instead of sharing
    // the port (the library's default also sets SO_REUSEPORT).
    http_->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    http_->set_read_timeout(5);
    http_->set_write_timeout(5);

    http_->Post("/vmo.api/api/version/Versionpc",
                [this](const httplib::Request&, httplib::Response& res) {
                    res.set_content(config_.newestVersion, "text/plain");
                });

    http_->Post("/vmo.api/api/user/addappUserinfo", [this](const httplib::Request& req,
                                                           httplib::Response& res) {
        const UsageCheck check = CheckUsageReport(Param(req, "MAC_in"), Param(req, "devicetype"));
        if (!check.report) {
            res.status = 400;
            res.set_content("bad request: " + check.error, "text/plain");
            return;
        }
        // "1" only once the report is committed: the program then never sends it
        // again.
        // The sink answers once the batch holding this report is committed (or has failed).
        auto committed = std::make_shared<std::promise<bool>>();
        std::future<bool> answer = committed->get_future();
        sink_.Submit(std::move(*check.report), req.remote_addr, now_(),
                     [committed](bool ok) { committed->set_value(ok); });
        if (!answer.get()) {
            res.status = 500;
            res.set_content("not stored", "text/plain");
            return;
        }
        res.set_content("1", "text/plain");
    });

    http_->Get("/.*", [this](const httplib::Request& req, httplib::Response& res) {
        std::optional<std::filesystem::path> file;
        if (!config_.updateFolder.empty()) {
            file = ResolveUpdateFile(config_.updateFolder, req.path);
        }
        if (!file) {
            res.status = 404;
            res.set_content("not found", "text/plain");
            return;
        }
        std::ifstream in(*file, std::ios::binary);
        std::ostringstream bytes;
        if (in) {
            bytes << in.rdbuf();
        }
        if (!in.is_open() || in.bad()) {
            res.status = 500;
            res.set_content("unreadable", "text/plain");
            return;
        }
        res.set_header("Cache-Control", "no-cache");
        res.set_content(bytes.str(), MimeTypeOf(*file));
    });

    http_->set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty()) {
            res.set_content("error " + std::to_string(res.status), "text/plain");
        }
    });
}

StatsService::~StatsService() = default;

bool StatsService::Bind() {
    if (config_.port == 0) {
        port_ = http_->bind_to_any_port(config_.bindAddress);
        return port_ > 0;
    }
    if (!http_->bind_to_port(config_.bindAddress, config_.port)) {
        return false;
    }
    port_ = config_.port;
    return true;
}

bool StatsService::Serve() {
    return http_->listen_after_bind();
}

void StatsService::Stop() {
    http_->stop();
}

}  // namespace qvx::server
