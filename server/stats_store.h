#pragma once
// Durable store of the usage reports. Two backends share one interface and one schema (tables
// usage_pc and usage_log, the day counts of version checks in version_checks, and a
// schema_version row): an embedded SQLite file, the default for one machine, and PostgreSQL,
// which any number of service instances can share. MAC texts are written only as their keyed
// hash and client addresses cut to their network (see privacy.h); callers pass them in clear.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "server/usage_request.h"

namespace qvx::server {

// The UTC day of a time as the stores keep it, "YYYY-MM-DD" (both stores, one rule).
std::string DayOf(std::int64_t unixSeconds);

// The schema this program writes. A database of a newer version is refused at open. Version 2
// holds MAC texts hashed and addresses cut; a database of version 1 is brought over in place.
inline constexpr int kSchemaVersion = 2;

struct StoredReport {
    std::string macText;  // as stored: the keyed hash
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

// What a report leaves behind (see privacy.h).
struct Privacy {
    // The deployment's secret: MAC texts are stored as its HMAC. Empty: no report can be
    // stored, and a database that still holds MAC texts in clear cannot be opened.
    std::string secret;
    bool keepClientAddress = false;  // else cut to /24 or /48
};

// A count for one UTC day ("YYYY-MM-DD"), of one kind when label is set.
struct DayCount {
    std::string day;
    std::string label;
    std::int64_t count = 0;
};

// What the dashboard draws, from some day on.
struct DailyFigures {
    std::int64_t pcsBefore = 0;           // PCs first seen before the first day
    std::vector<DayCount> newPcs;         // PCs first seen each day
    std::vector<DayCount> versionChecks;  // version checks answered each day
    std::vector<DayCount> reports;        // reports each day, by device type (label)
};

struct StoreOptions {
    // How long one transaction waits for a database that another writer holds locked before it
    // gives up; a locked database then only delays reports instead of holding them forever.
    std::chrono::milliseconds lockWait{2000};
    Privacy privacy;
    // Rows per transaction when an older database is brought over: each batch commits on its
    // own, so a migration stopped part way (a kill) goes on from there at the next open.
    std::size_t migrationBatch = 500;
    // Tests stop a migration after this many batches, as a kill would (0: never).
    std::size_t migrationStopAfter = 0;
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
    // and a line of the day log each, the MAC text hashed and the address cut. True only once
    // all of them are committed; on false none is, and *error says why. Safe from several
    // threads.
    bool RecordBatch(const std::vector<PendingReport>& batch, std::string* error);

    // A batch of one.
    bool Record(const UsageReport& report, const std::string& clientAddress, std::int64_t now);

    // The PC's row, by its MAC text in clear.
    std::optional<StoredReport> Find(const std::string& macText, const std::string& deviceType);
    // The MAC text as the store writes it.
    std::string StoredMacText(const std::string& macText) const;
    virtual std::vector<StoredReport> All() = 0;
    // Adds count version checks to the day's row ("YYYY-MM-DD", UTC).
    virtual bool AddVersionChecks(const std::string& day, std::int64_t count,
                                  std::string* error) = 0;
    // Removes at most maxRows log lines received before `before` (Unix seconds), oldest first,
    // in one short transaction; *removed says how many went.
    virtual bool RemoveLogBefore(std::int64_t before, std::size_t maxRows, std::size_t* removed,
                                 std::string* error) = 0;
    // The dashboard's figures from the UTC day of `from` (Unix seconds) on.
    virtual bool ReadDaily(std::int64_t from, DailyFigures* figures, std::string* error) = 0;
    // Whether the database answers now.
    virtual bool Ping(std::string* error) = 0;
    // Reports, PCs and new PCs per UTC day; false with *error set when the database could not
    // be read (days then holds nothing).
    virtual bool ReadSummary(std::vector<DaySummary>* days, std::string* error) = 0;
    // The same, empty when it could not be read.
    std::vector<DaySummary> SummaryByDay();
    // The version named by the schema_version row.
    virtual int SchemaVersion() = 0;
    // How many batches can usefully be committed at the same time.
    virtual std::size_t Writers() const { return 1; }

protected:
    explicit StatsStore(Privacy privacy) : privacy_(std::move(privacy)) {}
    // The batch as it is written: MAC texts hashed, addresses cut.
    virtual bool WriteBatch(const std::vector<PendingReport>& batch, std::string* error) = 0;
    virtual std::optional<StoredReport> FindStored(const std::string& storedMac,
                                                   const std::string& deviceType) = 0;
    // The client address as the store writes it: cut unless addresses are kept.
    std::string StoredAddress(const std::string& clientAddress) const;
    const Privacy& privacy() const { return privacy_; }

private:
    Privacy privacy_;
};

bool IsPostgresLocation(const std::string& location);

// The location as a log line may show it: a password in a connection URI is written as "***".
std::string LocationForLog(const std::string& location);

// The summary as the command prints it: a header line and one line per day.
std::string FormatSummary(const std::vector<DaySummary>& days);

}  // namespace qvx::server
