#pragma once
// What the service counts while it runs, for Prometheus (`--metrics`): requests by endpoint and
// status, report latency, commit batches, store errors, connections, whether the database
// answers, reports accepted, the version offered, and the version checks of each day (for the
// store, without identity). Every call is safe from any thread.

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "server/store_upkeep.h"

namespace qvx::server {

// Cumulative buckets with fixed upper bounds, as the text format writes them.
class Histogram {
public:
    explicit Histogram(std::vector<double> bounds);
    void Observe(double value);
    // The _bucket, _sum and _count lines of `name`.
    void Write(std::string& out, const std::string& name) const;
    std::uint64_t Count() const;

private:
    std::vector<double> bounds_;
    mutable std::mutex mutex_;
    std::vector<std::uint64_t> counts_;  // per bound, then +Inf
    double sum_ = 0;
};

class ServiceMetrics {
public:
    enum class Endpoint { kVersion, kReport, kFile, kOther };

    ServiceMetrics();

    void Request(Endpoint endpoint, unsigned status);
    void VersionCheck(std::int64_t unixSeconds);
    void ReportAnswered(bool stored, double seconds);
    void BatchDone(std::size_t reports, double seconds, bool committed);
    void ConnectionOpened();
    void ConnectionClosed();
    void ConnectionCut();
    void DatabaseReachable(bool reachable);
    void SetOfferedVersion(const std::string& version);
    std::string OfferedVersion() const;

    DayTally& VersionChecksByDay() { return versionChecks_; }

    // The text format (version 0.0.4).
    std::string Exposition() const;

private:
    mutable std::mutex mutex_;
    std::map<std::pair<Endpoint, unsigned>, std::uint64_t> requests_;
    std::string offered_;
    Histogram reportSeconds_;
    Histogram batchReports_;
    Histogram commitSeconds_;
    std::atomic<std::uint64_t> accepted_{0};
    std::atomic<std::uint64_t> refused_{0};
    std::atomic<std::uint64_t> storeErrors_{0};
    std::atomic<std::int64_t> open_{0};
    std::atomic<std::uint64_t> cut_{0};
    std::atomic<int> reachable_{-1};  // -1: not probed yet
    DayTally versionChecks_;
};

}  // namespace qvx::server
