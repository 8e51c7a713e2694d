// quorvex-stats: answers the main program's version check and usage report, and serves a folder
// of update files.
//
//   quorvex-stats [--bind ADDR] [--port N] [--db PATH|URI] [--newest-version TEXT]
//                 [--update-dir DIR] [--access-log PATH]
//                 [--proxy-protocol [--proxy-from ADDR[/BITS],...]]
//   quorvex-stats summary [--db PATH|URI]
//
// --db takes a SQLite file (the default, quorvex-stats.db) or a PostgreSQL connection URI
// (postgresql://USER@HOST:PORT/DBNAME), which several instances can share. --proxy-protocol:
// every connection comes through a TCP balancer that names the client in a PROXY header;
// --proxy-from lists the balancer's addresses (default the loopback ones), any other peer is
// closed unanswered.
//   quorvex-stats publish --key PRIVATE.pem --program-version M --entries-version Z --out DIR
//   FILE...
// publish makes DIR a link to a new, complete publication in DIR.publications/N, switched in
// one rename; --update-dir DIR serves what the link names at the time of each request.

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "server/access_log.h"
#include "server/group_commit_sink.h"
#include "server/proxy_header.h"
#include "server/stats_service.h"
#include "server/stats_store.h"
#include "server/update_publisher.h"

namespace {

struct Options {
    bool summary = false;
    std::string dbPath = "quorvex-stats.db";
    std::string accessLogPath;  // empty: none
    qvx::server::ServiceConfig service;
};

void Usage() {
    std::cerr << "usage: quorvex-stats [--bind ADDR] [--port N] [--db PATH|postgresql://URI] "
                 "[--newest-version TEXT] [--update-dir DIR] [--access-log PATH] [--proxy-protocol "
                 "[--proxy-from ADDR[/BITS],...]]\n"
                 "       quorvex-stats summary [--db PATH|postgresql://URI]\n"
                 "       quorvex-stats publish --key PRIVATE.pem --program-version M "
                 "--entries-version Z --out DIR FILE...\n";
}

bool ParsePort(const std::string& text, int* port) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 65535) {
        return false;
    }
    *port = static_cast<int>(value);
    return true;
}

bool Parse(int argc, char** argv, Options* options) {
    int i = 1;
    if (i < argc && std::string(argv[i]) == "summary") {
        options->summary = true;
        ++i;
    }
    for (; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--proxy-protocol" && !options->summary) {
            options->service.proxyProtocol = true;
            continue;
        }
        if (i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        if (flag == "--db") {
            options->dbPath = value;
        } else if (options->summary) {
            return false;
        } else if (flag == "--bind") {
            options->service.bindAddress = value;
        } else if (flag == "--port") {
            if (!ParsePort(value, &options->service.port)) {
                return false;
            }
        } else if (flag == "--newest-version") {
            options->service.newestVersion = value;
        } else if (flag == "--update-dir") {
            options->service.updateFolder = value;
        } else if (flag == "--access-log") {
            options->accessLogPath = value;
        } else if (flag == "--proxy-from") {
            if (!qvx::server::TrustedPeers::Parse(value)) {
                return false;
            }
            options->service.proxyFrom = value;
        } else {
            return false;
        }
    }
    return true;
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
    std::string error;
    std::unique_ptr<qvx::server::StatsStore> store =
        qvx::server::StatsStore::Open(options.dbPath, &error);
    if (!store) {
        std::cerr << "quorvex-stats: cannot open " << qvx::server::LocationForLog(options.dbPath)
                  << ": " << error << "\n";
        return 1;
    }
    if (options.summary) {
        std::vector<qvx::server::DaySummary> days;
        if (!store->ReadSummary(&days, &error)) {
            std::cerr << "quorvex-stats: cannot read the summary: " << error << "\n";
            return 1;
        }
        std::cout << qvx::server::FormatSummary(days);
        return 0;
    }

    // SIGINT and SIGTERM go to one watcher thread, which stops the service cleanly; every other
    // thread (the service's pool included) inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A client that goes away while a file is sent must not end the process.
    signal(SIGPIPE, SIG_IGN);
    RaiseDescriptorLimit();

    if (!qvx::server::IsPostgresLocation(options.dbPath)) {
        options.service.databasePath = options.dbPath;
    }
    qvx::server::GroupCommitSink sink(*store, [](const std::string& line) {
        std::cerr << "quorvex-stats: " << line << std::endl;
    });
    std::unique_ptr<qvx::server::AccessLog> accessLog;
    if (!options.accessLogPath.empty()) {
        accessLog = qvx::server::AccessLog::Open(options.accessLogPath);
        if (!accessLog) {
            std::cerr << "quorvex-stats: cannot open the access log " << options.accessLogPath
                      << "\n";
            return 1;
        }
    }
    qvx::server::StatsService service(options.service, sink, UnixNow);
    service.SetAccessLog(accessLog.get());
    if (!service.Bind()) {
        std::cerr << "quorvex-stats: cannot listen on " << options.service.bindAddress << ":"
                  << options.service.port << "\n";
        return 1;
    }
    std::atomic<bool> serving{true};
    std::thread watcher([&] {
        const timespec step{0, 200'000'000};
        while (serving) {
            if (sigtimedwait(&stopSignals, nullptr, &step) > 0) {
                service.Stop();
                return;
            }
        }
    });
    std::cerr << "quorvex-stats: listening on " << options.service.bindAddress << ":"
              << service.Port() << ", database " << qvx::server::LocationForLog(options.dbPath)
              << ", newest version " << options.service.newestVersion << ", update folder "
              << (options.service.updateFolder.empty() ? "(none)" : options.service.updateFolder)
              << std::endl;
    const bool served = service.Serve();
    serving = false;
    watcher.join();
    std::cerr << "quorvex-stats: stopped; " << sink.Reports() << " reports in " << sink.Batches()
              << " transactions" << std::endl;
    return served ? 0 : 1;
}
