#include "server/metrics_server.h"

#include <microhttpd.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace qvx::server {

namespace {

// A scraper and a browser or two; anything more waits.
constexpr unsigned kConnections = 32;
constexpr unsigned kIdleSeconds = 10;

MHD_Result Send(MHD_Connection* connection, unsigned status, const std::string& body,
                const char* type) {
    MHD_Response* response = MHD_create_response_from_buffer(
        body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return queued;
}

}  // namespace

struct MetricsServer::Impl {
    Page metrics;
    Page dashboard;
    MHD_Daemon* daemon = nullptr;
    int port = 0;

    static MHD_Result OnRequest(void* self, MHD_Connection* connection, const char* url,
                                const char* method, const char*, const char*, size_t* uploadSize,
                                void** requestContext) {
        // First call: the head is in. Bodies are never read.
        if (*requestContext == nullptr) {
            static int seen;
            *requestContext = &seen;
            return MHD_YES;
        }
        if (*uploadSize > 0) {
            *uploadSize = 0;
            return MHD_YES;
        }
        auto* impl = static_cast<Impl*>(self);
        if (std::strcmp(method, MHD_HTTP_METHOD_GET) != 0) {
            return Send(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "GET only\n", "text/plain");
        }
        if (std::strcmp(url, "/metrics") == 0) {
            return Send(connection, MHD_HTTP_OK, impl->metrics(),
                        "text/plain; version=0.0.4; charset=utf-8");
        }
        if (std::strcmp(url, "/dashboard") == 0) {
            const std::string page = impl->dashboard();
            if (page.empty()) {
                return Send(connection, MHD_HTTP_SERVICE_UNAVAILABLE,
                            "the database cannot be read now\n", "text/plain");
            }
            return Send(connection, MHD_HTTP_OK, page, "text/html; charset=utf-8");
        }
        return Send(connection, MHD_HTTP_NOT_FOUND, "not found\n", "text/plain");
    }
};

bool SplitHostPort(const std::string& text, std::string* host, int* port) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 >= text.size()) {
        return false;
    }
    std::string h = text.substr(0, colon);
    if (h.front() == '[') {
        if (h.back() != ']') {
            return false;
        }
        h = h.substr(1, h.size() - 2);
    } else if (h.find(':') != std::string::npos) {
        return false;  // IPv6 only in brackets
    }
    char* end = nullptr;
    const long value = std::strtol(text.c_str() + colon + 1, &end, 10);
    if (*end != '\0' || value < 0 || value > 65535 || h.empty()) {
        return false;
    }
    *host = h;
    *port = static_cast<int>(value);
    return true;
}

MetricsServer::MetricsServer(Page metrics, Page dashboard) : impl_(std::make_unique<Impl>()) {
    impl_->metrics = std::move(metrics);
    impl_->dashboard = std::move(dashboard);
}

MetricsServer::~MetricsServer() {
    if (impl_->daemon) {
        MHD_stop_daemon(impl_->daemon);
    }
}

int MetricsServer::Port() const {
    return impl_->port;
}

bool MetricsServer::Start(const std::string& address, std::string* error) {
    std::string host;
    int port = 0;
    if (!SplitHostPort(address, &host, &port)) {
        *error = "not ADDR:PORT: " + address;
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        *error = "not a numeric address: " + host;
        return false;
    }
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    if (fd < 0 || setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes)) != 0 ||
        bind(fd, found->ai_addr, found->ai_addrlen) != 0 || listen(fd, 64) != 0) {
        *error = "cannot listen on " + address + ": " + std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof(bound);
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    char portText[NI_MAXSERV] = "";
    getnameinfo(reinterpret_cast<sockaddr*>(&bound), length, nullptr, 0, portText, sizeof(portText),
                NI_NUMERICSERV);
    // The library owns the socket from here, and closes it at its stop.
    impl_->daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_POLL, 0, nullptr, nullptr, &Impl::OnRequest,
        impl_.get(), MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_CONNECTION_LIMIT, kConnections,
        MHD_OPTION_CONNECTION_TIMEOUT, kIdleSeconds, MHD_OPTION_END);
    if (!impl_->daemon) {
        close(fd);
        *error = "cannot serve on " + address;
        return false;
    }
    impl_->port = std::atoi(portText);
    return true;
}

}  // namespace qvx::server
