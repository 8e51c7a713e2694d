#pragma once
// The HTTP side of quorvex-stats: the two requests of the main program and a folder of update
// files served over plain GET.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "server/report_sink.h"

namespace httplib {
class Server;
}

namespace qvx::server {

struct ServiceConfig {
    std::string bindAddress = "127.0.0.1";
    int port = 8091;
    std::string newestVersion = "1.5";
    std::string updateFolder;  // empty: no files are served
    // Every connection comes through a TCP balancer that starts it with a PROXY header naming
    // the client (nginx stream: proxy_protocol on); one without it is dropped.
    bool proxyProtocol = false;
};

// The file under root that a GET path names, or nullopt when the path leaves the folder (a ".."
// step, a backslash, a NUL) or names nothing that is a regular file inside it.
std::optional<std::filesystem::path> ResolveUpdateFile(const std::filesystem::path& root,
                                                       const std::string& requestPath);

class StatsService {
public:
    // now: Unix seconds, for the report times.
    StatsService(ServiceConfig config, ReportSink& sink, std::function<std::int64_t()> now);
    ~StatsService();
    StatsService(const StatsService&) = delete;
    StatsService& operator=(const StatsService&) = delete;

    // Binds the listening socket; port 0 picks a free one. False when it cannot bind.
    bool Bind();
    int Port() const { return port_; }
    // Serves until Stop(); returns false when it could not run.
    bool Serve();
    // From any thread, a signal watcher included.
    void Stop();

private:
    ServiceConfig config_;
    ReportSink& sink_;
    std::function<std::int64_t()> now_;
    std::unique_ptr<httplib::Server> http_;
    int port_ = 0;
};

}  // namespace qvx::server
