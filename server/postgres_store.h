#pragma once
// The shared store: PostgreSQL through libpq, for several service instances behind a load
// balancer. Same tables and columns as the SQLite file; a batch is one statement, so it commits
// whole or not at all, and synchronous_commit is forced on so a "1" follows the WAL flush.

#include <memory>
#include <mutex>

#include "server/stats_store.h"

struct pg_conn;

namespace qvx::server {

class PostgresStore final : public StatsStore {
public:
    static std::unique_ptr<PostgresStore> Open(const std::string& uri, std::string* error,
                                               StoreOptions options);
    ~PostgresStore() override;
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    bool RecordBatch(const std::vector<PendingReport>& batch, std::string* error) override;
    std::optional<StoredReport> Find(const std::string& macText,
                                     const std::string& deviceType) override;
    std::vector<StoredReport> All() override;
    std::vector<DaySummary> SummaryByDay() override;
    int SchemaVersion() override;

private:
    PostgresStore(pg_conn* conn, StoreOptions options) : conn_(conn), options_(options) {}
    // Reconnects after a lost connection (a restarted server) and sets the session up.
    bool Ready(std::string* error);
    bool SetUpSession(std::string* error);
    bool Migrate(std::string* error);

    std::mutex mutex_;
    pg_conn* conn_;
    StoreOptions options_;
};

}  // namespace qvx::server
