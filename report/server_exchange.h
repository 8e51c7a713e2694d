#pragma once
// The once-per-run exchange with the statistics service: version check, update offer and the
// hand-over to the updater, then the usage report until the service has accepted one.

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
};

class ServerExchange {
public:
    explicit ServerExchange(ExchangePorts ports) : ports_(ports) {}

    // Step 1 of the session tick; does the work on its first call only.
    ExchangeOutcome Run();

    // Exchange-done flag: set before anything else, so the exchange never repeats in a run.
    bool ExchangeDone() const { return exchangeDone_; }
    const std::string& LastVersionReply() const { return lastVersionReply_; }

private:
    // Returns true when the program is ending for the updater.
    bool OfferUpdate();
    void ReportUsage(const std::string& base);

    ExchangePorts ports_;
    bool exchangeDone_ = false;
    std::string lastVersionReply_;
};

}  // namespace qvx::report
