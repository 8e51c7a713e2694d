#pragma once
// Group commit: reports that arrive while a commit is under way wait together, and the writer
// then commits all of them in one transaction (one flush to disk) before it answers each. So the
// durable rate is a multiple of the disk's flush rate, and every done(true) still follows the
// commit of its row; a batch that fails is answered done(false) throughout.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/report_sink.h"
#include "server/stats_store.h"

namespace qvx::server {

class GroupCommitSink final : public ReportSink {
public:
    using Log = std::function<void(const std::string& line)>;
    // Each transaction: its reports, how long it took, whether it committed.
    using BatchObserver = std::function<void(std::size_t reports, double seconds, bool committed)>;

    // log receives one line per failed batch (may be empty). writers: transactions under way at
    // once (0: as many as the store can usefully run). maxBatch bounds one transaction.
    explicit GroupCommitSink(StatsStore& store, Log log = {}, std::size_t writers = 0,
                             std::size_t maxBatch = 1024, BatchObserver observer = {});
    // Commits what is still waiting, then stops the writers.
    ~GroupCommitSink() override;
    GroupCommitSink(const GroupCommitSink&) = delete;
    GroupCommitSink& operator=(const GroupCommitSink&) = delete;

    void Submit(UsageReport report, std::string clientAddress, std::int64_t now,
                Done done) override;

    // Transactions tried so far, and the reports in them (for the log and the tests).
    std::uint64_t Batches() const;
    std::uint64_t Reports() const;

private:
    void Run();

    StatsStore& store_;
    Log log_;
    std::size_t maxBatch_;
    BatchObserver observer_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<PendingReport> reports_;  // waiting, in arrival order
    std::vector<Done> dones_;             // beside them
    bool stopping_ = false;
    std::uint64_t batches_ = 0;
    std::uint64_t reportsTotal_ = 0;

    std::vector<std::thread> writers_;  // last: they start once everything above is ready
};

}  // namespace qvx::server
