#pragma once
// Durable store of the usage reports. Two backends share one interface and one schema (tables
// usage_pc and usage_log, and a schema_version row): an embedded SQLite file, the default for one
// machine, and PostgreSQL, which any number of service instances can share.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "server/usage_request.h"

namespace qvx::server {

// The schema this program writes. A database of a newer version is refused at open.
inline constexpr int kSchemaVersion = 1;

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

// One report waiting to be written.
struct PendingReport {
    UsageReport report;
    std::string clientAddress;
    std::int64_t receivedAt = 0;  // Unix seconds
};

struct StoreOptions {
    // How long one transaction waits for a database that another writer holds locked before it
    // gives up; a locked database then only delays reports instead of holding them forever.
    std::chrono::milliseconds lockWait{2000};
};

class StatsStore {
public:
    // A location starting with "postgresql://" or "postgres://" is a libpq connection URI; any
    // other text is the path of a SQLite file. Creates the schema or brings it to kSchemaVersion.
    // nullptr with *error set when that fails.
    static std::unique_ptr<StatsStore> Open(const std::string& location, std::string* error,
                                            StoreOptions options = {});

    virtual ~StatsStore() = default;

    // Every report of the batch in one transaction: the PC's row (first/last seen, count, client)
    // and a line of the day log each. True only once all of them are committed; on false none
    // is, and *error says why. Safe from several threads.
    virtual bool RecordBatch(const std::vector<PendingReport>& batch, std::string* error) = 0;

    // A batch of one.
    bool Record(const UsageReport& report, const std::string& clientAddress, std::int64_t now);

    virtual std::optional<StoredReport> Find(const std::string& macText,
                                             const std::string& deviceType) = 0;
    virtual std::vector<StoredReport> All() = 0;
    // Reports, PCs and new PCs per UTC day; false with *error set when the database could not
    // be read (days then holds nothing).
    virtual bool ReadSummary(std::vector<DaySummary>* days, std::string* error) = 0;
    // The same, empty when it could not be read.
    std::vector<DaySummary> SummaryByDay();
    // The version named by the schema_version row.
    virtual int SchemaVersion() = 0;
    // How many batches can usefully be committed at the same time.
    virtual std::size_t Writers() const { return 1; }
};

bool IsPostgresLocation(const std::string& location);

// The location as a log line may show it: a password in a connection URI is written as "***".
std::string LocationForLog(const std::string& location);

// The summary as the command prints it: a header line and one line per day.
std::string FormatSummary(const std::vector<DaySummary>& days);

}  // namespace qvx::server
