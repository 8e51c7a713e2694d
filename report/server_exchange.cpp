#include "report/server_exchange.h"

#include "base/text.h"
#include "report/mac_address.h"
#include "report/post_request.h"
#include "report/stats_address.h"

namespace qvx::report {

ExchangeOutcome ServerExchange::Run() {
    if (exchangeDone_) {
        return ExchangeOutcome::AlreadyDone;
    }
    exchangeDone_ = true;

    const std::string base = StatsBase(ports_.host.ReadStatsHost());
    lastVersionReply_ = PostRequest(ports_.http, VersionUrl(base));
    if (IsNewerVersion(lastVersionReply_) && OfferUpdate()) {
        return ExchangeOutcome::EndingForUpdate;
    }
    ReportUsage(base);
    return ExchangeOutcome::Continue;
}

bool ServerExchange::OfferUpdate() {
    ports_.host.HideMainWindow();
    const PromptAnswer answer =
        ports_.prompt.Show(kUpdateOfferText, PromptButtons::OkCancel, PromptIcon::None);
    if (answer == PromptAnswer::Ok) {
        if (ports_.launcher.Start(kUpdaterFileName)) {
            // Only once the updater runs: ending without it would leave the user with nothing.
            ports_.host.EndForUpdate();
            return true;
        }
        ports_.prompt.Show(kUpdaterMissingText, PromptButtons::OkOnly, PromptIcon::Warning);
    }
    // Shown again whatever the user did with the window meanwhile: the offer hid it.
    ports_.host.ShowMainWindow();
    return false;
}

void ServerExchange::ReportUsage(const std::string& base) {
    if (!ports_.host.ReadPostServer().empty()) {
        return;
    }
    // A failed adapter query sends nothing; the report is tried again on the next run.
    const std::optional<std::string> mac = GetMacAddress(ports_.macs);
    if (!mac) {
        return;
    }
    if (base::TrimSpaces(PostRequest(ports_.http, UsageUrl(base, *mac))) == "1") {
        ports_.host.StorePostServer();
    }
}

}  // namespace qvx::report
