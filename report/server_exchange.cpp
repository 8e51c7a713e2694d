#include "report/server_exchange.h"

#include "base/text.h"
#include "report/mac_address.h"
#include "report/post_request.h"
#include "report/stats_address.h"

namespace qvx::report {

ExchangeOutcome ServerExchange::Run() {
    for (;;) {
        switch (step_) {
            case Step::NotStarted:
                exchangeDone_ = true;
                base_ = StatsBase(ports_.host.ReadStatsHost());
                step_ = Step::VersionCheck;
                StartWork([replies = replies_, &http = ports_.http, url = VersionUrl(base_)] {
                    replies->version = PostRequest(http, url);
                });
                break;
            case Step::VersionCheck:
                if (!WorkFinished()) {
                    return ExchangeOutcome::Continue;
                }
                lastVersionReply_ = std::move(replies_->version);
                if (IsNewerVersion(lastVersionReply_) && OfferUpdate()) {
                    step_ = Step::Done;
                    return ExchangeOutcome::EndingForUpdate;
                }
                if (!StartUsageReport()) {
                    step_ = Step::Done;
                    return ExchangeOutcome::Continue;
                }
                step_ = Step::UsageReport;
                break;
            case Step::UsageReport:
                if (!WorkFinished()) {
                    return ExchangeOutcome::Continue;
                }
                step_ = Step::Done;
                if (base::TrimSpaces(replies_->usage) == "1") {
                    ports_.host.StorePostServer();
                }
                return ExchangeOutcome::Continue;
            case Step::Done:
                return ExchangeOutcome::AlreadyDone;
        }
    }
}

void ServerExchange::StartWork(std::function<void()> work) {
    if (ports_.background == nullptr) {
        work();
        return;
    }
    ports_.background->Start(std::move(work));
}

bool ServerExchange::WorkFinished() {
    return ports_.background == nullptr || ports_.background->Finished();
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

bool ServerExchange::StartUsageReport() {
    if (!ports_.host.ReadPostServer().empty()) {
        return false;
    }
    replies_->usage.clear();
    StartWork([replies = replies_, &http = ports_.http, &macs = ports_.macs, base = base_] {
        // A failed adapter query sends nothing; the report is tried again on the next run.
        const std::optional<std::string> mac = GetMacAddress(macs);
        if (mac) {
            replies->usage = PostRequest(http, UsageUrl(base, *mac));
        }
    });
    return true;
}

}  // namespace qvx::report
