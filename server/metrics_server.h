#pragma once
// The operators' port (`--metrics ADDR:PORT`), apart from the clients' one: GET /metrics in the
// Prometheus text format and GET /dashboard, the page of `quorvex-stats dashboard`. Few
// connections, each short: a scraper and a browser.

#include <functional>
#include <memory>
#include <string>

namespace qvx::server {

class MetricsServer {
public:
    using Page = std::function<std::string()>;
    // Dashboard: the page, or "" when it cannot be made now (answered 503).
    MetricsServer(Page metrics, Page dashboard);
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    // Listens on "ADDR:PORT" ("[ADDR]:PORT" for IPv6) and serves from a thread of its own;
    // false with *error set when it cannot.
    bool Start(const std::string& address, std::string* error);
    int Port() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Splits "ADDR:PORT" or "[ADDR]:PORT"; false when it is neither.
bool SplitHostPort(const std::string& text, std::string* host, int* port);

}  // namespace qvx::server
