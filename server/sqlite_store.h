#pragma once
// The embedded store: one SQLite file in WAL mode with synchronous=FULL, so a committed batch is
// on disk before any of its reports is answered.

#include <mutex>

#include "server/stats_store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qvx::server {

class SqliteStore final : public StatsStore {
public:
    static std::unique_ptr<SqliteStore> Open(const std::string& path, std::string* error,
                                             StoreOptions options);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    std::vector<StoredReport> All() override;
    bool ReadSummary(std::vector<DaySummary>* days, std::string* error) override;
    int SchemaVersion() override;
    bool AddVersionChecks(const std::string& day, std::int64_t count, std::string* error) override;
    bool RemoveLogBefore(std::int64_t before, std::size_t maxRows, std::size_t* removed,
                         std::string* error) override;
    bool ReadDaily(std::int64_t from, DailyFigures* figures, std::string* error) override;
    bool Ping(std::string* error) override;

protected:
    bool WriteBatch(const std::vector<PendingReport>& batch, std::string* error) override;
    std::optional<StoredReport> FindStored(const std::string& storedMac,
                                           const std::string& deviceType) override;

private:
    class Transaction;
    SqliteStore(sqlite3* db, Privacy privacy) : StatsStore(std::move(privacy)), db_(db) {}
    bool Exec(const char* sql);
    bool ExecOr(const char* sql, std::string* error);
    bool Migrate(const StoreOptions& options, std::string* error);
    bool SetVersion(int version, std::string* error);
    // One transaction each: moves up to `batch` PCs into the protected table, or rewrites up to
    // `batch` log lines; *done says how many (0: none was left).
    bool MovePcs(std::size_t batch, std::size_t* done, std::string* error);
    bool ProtectLog(std::size_t batch, std::size_t* done, std::string* error);
    bool WriteRows(const std::vector<PendingReport>& batch, std::string* error);

    std::mutex mutex_;
    sqlite3* db_;
    // The two statements of a report, prepared once (finalised before the database closes).
    sqlite3_stmt* upsert_ = nullptr;
    sqlite3_stmt* log_ = nullptr;
};

}  // namespace qvx::server
