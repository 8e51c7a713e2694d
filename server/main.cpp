// quorvex-stats: answers the main program's version check and usage report, and serves a folder
// of update files.
//
//   quorvex-stats [--bind ADDR] [--port N] [--db PATH|URI] [--secret-file PATH]
//                 [--keep-client-address] [--keep-days N] [--newest-version TEXT]
//                 [--update-dir DIR [--update-key PUBLIC.pem]] [--access-log PATH]
//                 [--metrics ADDR:PORT] [--proxy-protocol [--proxy-from ADDR[/BITS],...]]
//   quorvex-stats summary [--db PATH|URI] [--secret-file PATH]
//   quorvex-stats dashboard [--db PATH|URI] [--secret-file PATH] --out FILE.html [--days N]
//   quorvex-stats publish --key PRIVATE.pem --program-version M --entries-version Z
//                         [--offer TEXT] --out DIR FILE...
//
// --db takes a SQLite file (the default, quorvex-stats.db) or a PostgreSQL connection URI
// (postgresql://USER@HOST:PORT/DBNAME), which several instances can share. MAC texts are stored
// as their HMAC under the deployment's secret (--secret-file, by default the SQLite file's path
// and ".secret", or quorvex-stats.secret in the working folder for PostgreSQL; made on first
// start; every instance of one database needs the same file), client addresses
// cut to /24 or /48 unless --keep-client-address; log lines older than --keep-days (default
// 400, 0: never) are removed. --metrics serves /metrics and /dashboard on a port of its own.
// --update-key: the version check answers the offer of the newest verified publication in
// --update-dir, read again when it changes or on SIGHUP; --newest-version wins when given.
// --proxy-protocol: every connection comes through a TCP balancer that names the client in a
// PROXY header; --proxy-from lists the balancer's addresses (default the loopback ones), any
// other peer is closed unanswered. publish makes DIR a link to a new, complete publication in
// DIR.publications/N, switched in one rename; --update-dir DIR serves what the link names at
// the time of each request.

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "server/access_log.h"
#include "server/dashboard.h"
#include "server/group_commit_sink.h"
#include "server/metrics_server.h"
#include "server/privacy.h"
#include "server/proxy_header.h"
#include "server/published_offer.h"
#include "server/service_metrics.h"
#include "server/signing/update_signing.h"
#include "server/stats_service.h"
#include "server/stats_store.h"
#include "server/store_upkeep.h"
#include "server/update_publisher.h"

namespace {

enum class Command { kServe, kSummary, kDashboard };

struct Options {
    Command command = Command::kServe;
    std::string dbPath = "quorvex-stats.db";
    std::string secretPath;      // empty: beside a SQLite file, else in the working folder
    std::string accessLogPath;   // empty: none
    std::string metricsAddress;  // empty: none
    std::string updateKeyPath;   // empty: the offer is --newest-version's
    bool newestVersionGiven = false;
    int keepDays = 400;
    std::string outPath;  // dashboard
    int days = qvx::server::kDashboardDays;
    qvx::server::ServiceConfig service;
};

void Usage() {
    std::cerr << "usage: quorvex-stats [--bind ADDR] [--port N] [--db PATH|postgresql://URI] "
                 "[--secret-file PATH] [--keep-client-address] [--keep-days N] "
                 "[--newest-version TEXT] [--update-dir DIR [--update-key PUBLIC.pem]] "
                 "[--access-log PATH] [--metrics ADDR:PORT] [--proxy-protocol "
                 "[--proxy-from ADDR[/BITS],...]]\n"
                 "       quorvex-stats summary [--db PATH|postgresql://URI] [--secret-file PATH]\n"
                 "       quorvex-stats dashboard [--db PATH|postgresql://URI] [--secret-file PATH] "
                 "--out FILE.html [--days N]\n"
                 "       quorvex-stats publish --key PRIVATE.pem --program-version M "
                 "--entries-version Z [--offer TEXT] --out DIR FILE...\n";
}

bool ParseNumber(const std::string& text, long low, long high, int* out) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < low || value > high) {
        return false;
    }
    *out = static_cast<int>(value);
    return true;
}

bool Parse(int argc, char** argv, Options* options) {
    int i = 1;
    if (i < argc && std::string(argv[i]) == "summary") {
        options->command = Command::kSummary;
        ++i;
    } else if (i < argc && std::string(argv[i]) == "dashboard") {
        options->command = Command::kDashboard;
        ++i;
    }
    const bool serving = options->command == Command::kServe;
    for (; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--proxy-protocol" && serving) {
            options->service.proxyProtocol = true;
            continue;
        }
        if (flag == "--keep-client-address" && serving) {
            options->service.keepClientAddress = true;
            continue;
        }
        if (i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        if (flag == "--db") {
            options->dbPath = value;
        } else if (flag == "--secret-file") {
            options->secretPath = value;
        } else if (options->command == Command::kDashboard && flag == "--out") {
            options->outPath = value;
        } else if (options->command == Command::kDashboard && flag == "--days") {
            if (!ParseNumber(value, 1, 3660, &options->days)) {
                return false;
            }
        } else if (!serving) {
            return false;
        } else if (flag == "--bind") {
            options->service.bindAddress = value;
        } else if (flag == "--port") {
            if (!ParseNumber(value, 0, 65535, &options->service.port)) {
                return false;
            }
        } else if (flag == "--newest-version") {
            options->service.newestVersion = value;
            options->newestVersionGiven = true;
        } else if (flag == "--update-dir") {
            options->service.updateFolder = value;
        } else if (flag == "--update-key") {
            options->updateKeyPath = value;
        } else if (flag == "--access-log") {
            options->accessLogPath = value;
        } else if (flag == "--metrics") {
            std::string host;
            int port = 0;
            if (!qvx::server::SplitHostPort(value, &host, &port)) {
                return false;
            }
            options->metricsAddress = value;
        } else if (flag == "--keep-days") {
            if (!ParseNumber(value, 0, 100000, &options->keepDays)) {
                return false;
            }
        } else if (flag == "--proxy-from") {
            if (!qvx::server::TrustedPeers::Parse(value)) {
                return false;
            }
            options->service.proxyFrom = value;
        } else {
            return false;
        }
    }
    if (options->command == Command::kDashboard && options->outPath.empty()) {
        return false;
    }
    return options->updateKeyPath.empty() || !options->service.updateFolder.empty();
}

std::int64_t UnixNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Idle connections cost a descriptor each: take all the system allows.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

void LogLine(const std::string& line) {
    std::cerr << "quorvex-stats: " << line << std::endl;
}

int Serve(Options& options, qvx::server::StatsStore& store) {
    namespace server = qvx::server;
    // SIGINT and SIGTERM stop the service, SIGHUP reads the publication again; all go to one
    // watcher thread, and every other thread (the service's pool included) inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // A client that goes away while a file is sent must not end the process.
    signal(SIGPIPE, SIG_IGN);
    RaiseDescriptorLimit();

    if (!server::IsPostgresLocation(options.dbPath)) {
        options.service.databasePath = options.dbPath;
    }
    server::ServiceMetrics metrics;
    server::GroupCommitSink sink(store, LogLine, 0, 1024,
                                 [&metrics](std::size_t reports, double seconds, bool committed) {
                                     metrics.BatchDone(reports, seconds, committed);
                                 });
    std::unique_ptr<server::AccessLog> accessLog;
    if (!options.accessLogPath.empty()) {
        accessLog = server::AccessLog::Open(options.accessLogPath);
        if (!accessLog) {
            LogLine("cannot open the access log " + options.accessLogPath);
            return 1;
        }
    }
    server::StatsService service(options.service, sink, UnixNow);
    service.SetAccessLog(accessLog.get());
    service.SetMetrics(&metrics);
    if (!service.Bind()) {
        LogLine("cannot listen on " + options.service.bindAddress + ":" +
                std::to_string(options.service.port));
        return 1;
    }
    std::unique_ptr<server::MetricsServer> metricsServer;
    if (!options.metricsAddress.empty()) {
        std::string host;
        int port = 0;
        server::SplitHostPort(options.metricsAddress, &host, &port);
        if (port == service.Port()) {
            LogLine("--metrics may not use the service's port " + std::to_string(port));
            return 1;
        }
        metricsServer = std::make_unique<server::MetricsServer>(
            [&metrics] { return metrics.Exposition(); },
            [&store] {
                std::string page;
                std::string error;
                return server::BuildDashboard(store, UnixNow(), &page, &error) ? page : "";
            });
        std::string error;
        if (!metricsServer->Start(options.metricsAddress, &error)) {
            LogLine(error);
            return 1;
        }
    }
    std::unique_ptr<server::OfferWatcher> offerWatcher;
    if (!options.updateKeyPath.empty()) {
        std::string error;
        const std::optional<std::string> publicXY =
            qvx::signing::PublicXYFromPemFile(options.updateKeyPath, error);
        if (!publicXY) {
            LogLine(error);
            return 1;
        }
        if (options.newestVersionGiven) {
            LogLine("--newest-version " + options.service.newestVersion +
                    " is offered; publications' offers are not read");
        } else {
            offerWatcher = std::make_unique<server::OfferWatcher>(
                options.service.updateFolder, *publicXY,
                [&service](const std::string& offer) { service.SetOfferedVersion(offer); },
                LogLine);
        }
    }
    server::UpkeepConfig upkeepConfig;
    upkeepConfig.keepDays = options.keepDays;
    std::optional<server::StoreUpkeep> upkeep;
    upkeep.emplace(store, metrics.VersionChecksByDay(), upkeepConfig, UnixNow, LogLine,
                   [&metrics](bool up) { metrics.DatabaseReachable(up); });

    std::atomic<bool> serving{true};
    std::thread watcher([&] {
        const timespec step{0, 200'000'000};
        while (serving) {
            const int received = sigtimedwait(&signals, nullptr, &step);
            if (received == SIGHUP) {
                if (offerWatcher) {
                    offerWatcher->Reload();
                }
            } else if (received > 0) {
                service.Stop();
                return;
            }
        }
    });
    std::string listening = "listening on " + options.service.bindAddress + ":" +
                            std::to_string(service.Port()) + ", database " +
                            server::LocationForLog(options.dbPath) + ", offering " +
                            service.OfferedVersion() + ", update folder " +
                            (options.service.updateFolder.empty() ? std::string("(none)")
                                                                  : options.service.updateFolder);
    if (metricsServer) {
        listening.append(", metrics on port ").append(std::to_string(metricsServer->Port()));
    }
    LogLine(listening);
    const bool served = service.Serve();
    serving = false;
    watcher.join();
    offerWatcher.reset();
    upkeep.reset();  // the last version checks go to the store
    LogLine("stopped; " + std::to_string(sink.Reports()) + " reports in " +
            std::to_string(sink.Batches()) + " transactions");
    return served ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "publish") {
        return qvx::server::PublishMain(std::vector<std::string>(argv + 2, argv + argc), std::cout,
                                        std::cerr);
    }
    Options options;
    if (!Parse(argc, argv, &options)) {
        Usage();
        return 2;
    }
    if (options.secretPath.empty()) {
        options.secretPath = qvx::server::IsPostgresLocation(options.dbPath)
                                 ? "quorvex-stats.secret"
                                 : options.dbPath + ".secret";
    }
    // The service makes the secret on its first start; the summary and the dashboard only use
    // it (a database still in clear needs it to be brought over).
    std::string error;
    std::optional<std::string> secret =
        options.command == Command::kServe
            ? qvx::server::LoadOrCreateSecret(options.secretPath, &error)
            : qvx::server::LoadSecret(options.secretPath, &error);
    if (!error.empty()) {
        LogLine(error);
        return 1;
    }
    qvx::server::StoreOptions storeOptions;
    storeOptions.privacy.secret = secret.value_or("");
    storeOptions.privacy.keepClientAddress = options.service.keepClientAddress;
    std::unique_ptr<qvx::server::StatsStore> store =
        qvx::server::StatsStore::Open(options.dbPath, &error, storeOptions);
    if (!store) {
        LogLine("cannot open " + qvx::server::LocationForLog(options.dbPath) + ": " + error);
        return 1;
    }
    switch (options.command) {
        case Command::kSummary: {
            std::vector<qvx::server::DaySummary> days;
            if (!store->ReadSummary(&days, &error)) {
                LogLine("cannot read the summary: " + error);
                return 1;
            }
            std::cout << qvx::server::FormatSummary(days);
            return 0;
        }
        case Command::kDashboard: {
            const int code = qvx::server::DashboardMain(*store, options.outPath, UnixNow(),
                                                        options.days, &error);
            if (code != 0) {
                LogLine("cannot make the dashboard: " + error);
            }
            return code;
        }
        case Command::kServe:
            break;
    }
    return Serve(options, *store);
}
