#pragma once
// The store's work beside the reports, on a thread of its own: version checks counted in memory
// are added to their day's row once a minute (and at the end), and log lines older than the
// retention are removed in small batches with pauses between them, so reports always find the
// store free between two batches.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/stats_store.h"

namespace qvx::server {

// Version checks per UTC day, counted in memory: no identity, only a number.
class DayTally {
public:
    void Add(std::int64_t unixSeconds);
    // What was counted since the last Take, by day; the counts start again.
    std::vector<DayCount> Take();
    // Counts that could not be stored, kept for the next Take.
    void Return(const std::vector<DayCount>& counts);

private:
    std::mutex mutex_;
    std::map<std::int64_t, std::int64_t> byDay_;  // day number since the epoch
};

// "YYYY-MM-DD" of a Unix time, UTC.
std::string UtcDay(std::int64_t unixSeconds);

struct UpkeepConfig {
    int keepDays = 400;  // log lines older than this go; 0 keeps them all
    std::chrono::milliseconds flushEvery{60'000};
    std::chrono::milliseconds retentionEvery{600'000};
    std::size_t retentionBatch = 500;
    std::chrono::milliseconds retentionPause{50};  // between two batches
    std::chrono::milliseconds pingEvery{5'000};
};

class StoreUpkeep {
public:
    using Log = std::function<void(const std::string& line)>;
    // reachable(bool) hears each probe of the database (may be empty).
    StoreUpkeep(StatsStore& store, DayTally& versionChecks, UpkeepConfig config,
                std::function<std::int64_t()> now, Log log,
                std::function<void(bool)> reachable = {});
    // Adds what is still counted, then stops.
    ~StoreUpkeep();
    StoreUpkeep(const StoreUpkeep&) = delete;
    StoreUpkeep& operator=(const StoreUpkeep&) = delete;

    // One flush of the version checks now (also what the destructor does last).
    void Flush();

private:
    void Run();
    // One batch of the retention; true while more old lines may be left.
    bool RemoveOld();

    StatsStore& store_;
    DayTally& versionChecks_;
    UpkeepConfig config_;
    std::function<std::int64_t()> now_;
    Log log_;
    std::function<void(bool)> reachable_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once the rest is set
};

}  // namespace qvx::server
