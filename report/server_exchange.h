#pragma once
// The once-per-run exchange with the statistics service: version check, update offer and the
// hand-over to the updater, then the usage report until the service has accepted one.

#include <functional>
#include <memory>
#include <string>

#include "report/report_ports.h"

namespace qvx::report {

inline constexpr const char* kUpdateOfferText =
    "【Quorvex】发现了新版本的软件，请更新到最新的版本！";
inline constexpr const char* kUpdaterMissingText =
    "未找到升级程序 qvxUpgraded.exe，请至官网重新下载本程序。";
inline constexpr const char* kUpdaterFileName = "qvxUpgraded.exe";

enum class ExchangeOutcome {
    AlreadyDone,      // a previous tick ran it; nothing happened
    Continue,         // the exchange ran; the tick goes on
    EndingForUpdate,  // the updater runs and the program is ending: the tick must stop here
};

struct ExchangePorts {
    ExchangeHost& host;
    HttpPoster& http;
    MacSource& macs;
    Prompt& prompt;
    ProgramLauncher& launcher;
    // Where the requests and the adapter query run; none: in the caller's thread, at once.
    Background* background = nullptr;
};

class ServerExchange {
public:
    explicit ServerExchange(ExchangePorts ports) : ports_(ports) {}

    // Step 1 of the session tick. The first call starts the version check; each later call
    // takes what has finished, in order — the offer (on the caller's thread), then the usage
    // report — and returns at once while work is under way. Continue while the exchange is
    // under way or on the call that finished it, AlreadyDone afterwards.
    ExchangeOutcome Run();

    // Exchange-done flag: set before anything else, so the exchange never repeats in a run.
    bool ExchangeDone() const { return exchangeDone_; }
    const std::string& LastVersionReply() const { return lastVersionReply_; }

private:
    enum class Step { NotStarted, VersionCheck, UsageReport, Done };

    // Returns true when the program is ending for the updater.
    bool OfferUpdate();
    // Starts the usage report unless the service took one already; false when none is sent.
    bool StartUsageReport();
    void StartWork(std::function<void()> work);
    bool WorkFinished();

    ExchangePorts ports_;
    bool exchangeDone_ = false;
    std::string lastVersionReply_;
    Step step_ = Step::NotStarted;
    std::string base_;
    // Written by the work, read once it has finished; shared with the work, so a program that
    // ends while a request is under way leaves it something to write into.
    struct Replies {
        std::string version;
        std::string usage;
    };
    std::shared_ptr<Replies> replies_ = std::make_shared<Replies>();
};

}  // namespace qvx::report
