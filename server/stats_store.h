#pragma once
// Durable store of the usage reports: SQLite in WAL mode with synchronous=FULL, so a report is
// on disk before the service answers "1".

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "server/usage_request.h"

struct sqlite3;

namespace qvx::server {

struct StoredReport {
    std::string macText;
    std::string deviceType;
    std::int64_t firstSeen = 0;  // Unix seconds
    std::int64_t lastSeen = 0;
    std::int64_t count = 0;
    std::string clientAddress;  // of the latest report
};

struct DaySummary {
    std::string day;           // UTC, "YYYY-MM-DD"
    std::int64_t reports = 0;  // reports received that day
    std::int64_t pcs = 0;      // distinct MAC texts among them
    std::int64_t newPcs = 0;   // MAC texts first seen that day
};

class StatsStore {
public:
    // Opens or creates the database; nullptr with *error set when that fails.
    static std::unique_ptr<StatsStore> Open(const std::string& path, std::string* error);
    ~StatsStore();
    StatsStore(const StatsStore&) = delete;
    StatsStore& operator=(const StatsStore&) = delete;

    // One report: the PC's row (first/last seen, count, client) and a line of the day log, in one
    // transaction. True once it is committed; safe from several threads.
    bool Record(const UsageReport& report, const std::string& clientAddress, std::int64_t now);

    std::optional<StoredReport> Find(const std::string& macText, const std::string& deviceType);
    std::vector<StoredReport> All();
    std::vector<DaySummary> SummaryByDay();

private:
    explicit StatsStore(sqlite3* db) : db_(db) {}
    bool Exec(const char* sql);

    std::mutex mutex_;
    sqlite3* db_;
};

// The summary as the command prints it: a header line and one line per day.
std::string FormatSummary(const std::vector<DaySummary>& days);

}  // namespace qvx::server
