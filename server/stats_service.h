#pragma once
// The HTTP side of quorvex-stats: the two requests of the main program and a folder of update
// files served over plain GET. One event thread holds every connection, so idle or slow clients
// cost a little memory each and never a thread; usage reports wait for the sink without holding
// that thread.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "server/report_sink.h"
#include "server/update_files.h"

namespace qvx::server {

class AccessLog;
class ServiceMetrics;

struct ServiceConfig {
    std::string bindAddress = "127.0.0.1";
    int port = 8091;
    std::string newestVersion = "1.5";
    std::string updateFolder;            // empty: no files are served
    std::filesystem::path databasePath;  // never served, even inside the update folder
    int requestSeconds = 10;             // for a whole request, head and body
    int idleSeconds = 5;                 // a silent connection is closed after this
    unsigned maxConnections = 0;         // 0: the default, within the descriptor limit
    // Stopping waits this long for reports already with the sink, then refuses them.
    std::chrono::milliseconds stopWaitForReports{5000};
    // Every connection comes through a TCP balancer that starts it with a PROXY header naming
    // the client (nginx stream: proxy_protocol on); one without it is dropped.
    bool proxyProtocol = false;
    // The balancers whose PROXY headers are believed (see TrustedPeers); others are closed.
    std::string proxyFrom = "127.0.0.0/8,::1";
    // The access log names clients by their network (/24, /48) unless this is set.
    bool keepClientAddress = false;
};

// Request limits: larger bodies get 413, larger heads 431.
inline constexpr std::size_t kMaxRequestBody = 64 * 1024;
inline constexpr std::size_t kMaxRequestHead = 16 * 1024;

class StatsService {
public:
    // now: Unix seconds, for the report times.
    StatsService(ServiceConfig config, ReportSink& sink, std::function<std::int64_t()> now);
    ~StatsService();
    StatsService(const StatsService&) = delete;
    StatsService& operator=(const StatsService&) = delete;

    // Binds the listening socket; port 0 picks a free one. False when it cannot bind.
    bool Bind();
    int Port() const;
    // Serves until Stop(); returns false when it could not run. On the way out it takes no new
    // connection, lets the reports already handed to the sink finish and answer, then closes
    // every connection.
    bool Serve();
    // From any thread, a signal watcher included.
    void Stop();
    // Before Serve: one line per request goes to log (which outlives the service).
    void SetAccessLog(AccessLog* log);
    // Before Serve: requests, reports, connections and version checks are counted in metrics
    // (which outlives the service).
    void SetMetrics(ServiceMetrics* metrics);
    // What the version check answers from now on (at first config.newestVersion); from any
    // thread.
    void SetOfferedVersion(const std::string& version);
    std::string OfferedVersion() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace qvx::server
