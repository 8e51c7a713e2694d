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

    bool RecordBatch(const std::vector<PendingReport>& batch, std::string* error) override;
    std::optional<StoredReport> Find(const std::string& macText,
                                     const std::string& deviceType) override;
    std::vector<StoredReport> All() override;
    bool ReadSummary(std::vector<DaySummary>* days, std::string* error) override;
    int SchemaVersion() override;

private:
    explicit SqliteStore(sqlite3* db) : db_(db) {}
    bool Exec(const char* sql);
    bool Migrate(std::string* error);
    bool WriteBatch(const std::vector<PendingReport>& batch, std::string* error);

    std::mutex mutex_;
    sqlite3* db_;
    // The two statements of a report, prepared once (finalised before the database closes).
    sqlite3_stmt* upsert_ = nullptr;
    sqlite3_stmt* log_ = nullptr;
};

}  // namespace qvx::server
