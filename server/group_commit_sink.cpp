#include "server/group_commit_sink.h"

#include <algorithm>
#include <chrono>
#include <iterator>

namespace qvx::server {

GroupCommitSink::GroupCommitSink(StatsStore& store, Log log, std::size_t writers,
                                 std::size_t maxBatch, BatchObserver observer)
    : store_(store),
      log_(std::move(log)),
      maxBatch_(std::max<std::size_t>(maxBatch, 1)),
      observer_(std::move(observer)) {
    const std::size_t n = writers > 0 ? writers : std::max<std::size_t>(store_.Writers(), 1);
    for (std::size_t i = 0; i < n; ++i) {
        writers_.emplace_back([this] { Run(); });
    }
}

GroupCommitSink::~GroupCommitSink() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& writer : writers_) {
        writer.join();
    }
}

void GroupCommitSink::Submit(UsageReport report, std::string clientAddress, std::int64_t now,
                             Done done) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_) {
            reports_.push_back(PendingReport{std::move(report), std::move(clientAddress), now});
            dones_.push_back(std::move(done));
            wake_.notify_one();
            return;
        }
    }
    done(false);
}

std::uint64_t GroupCommitSink::Batches() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return batches_;
}

std::uint64_t GroupCommitSink::Reports() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reportsTotal_;
}

void GroupCommitSink::Run() {
    std::vector<PendingReport> batch;
    std::vector<Done> dones;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !reports_.empty(); });
            if (reports_.empty()) {
                return;  // stopping, and nothing is left to commit
            }
            // Everything that waits, up to the bound; the rest goes in the next transaction.
            const std::size_t n = std::min(reports_.size(), maxBatch_);
            batch.assign(std::make_move_iterator(reports_.begin()),
                         std::make_move_iterator(reports_.begin() + n));
            dones.assign(std::make_move_iterator(dones_.begin()),
                         std::make_move_iterator(dones_.begin() + n));
            reports_.erase(reports_.begin(), reports_.begin() + n);
            dones_.erase(dones_.begin(), dones_.begin() + n);
            ++batches_;
            reportsTotal_ += n;
        }
        std::string error;
        const auto started = std::chrono::steady_clock::now();
        const bool committed = store_.RecordBatch(batch, &error);
        if (observer_) {
            observer_(
                batch.size(),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                committed);
        }
        if (!committed && log_) {
            log_("batch of " + std::to_string(batch.size()) + " reports not stored: " + error);
        }
        for (Done& done : dones) {
            done(committed);
        }
        batch.clear();
        dones.clear();
    }
}

}  // namespace qvx::server
