#pragma once
// The shared store: PostgreSQL through libpq, for several service instances behind a load
// balancer. Same tables and columns as the SQLite file; a batch is one statement, so it commits
// whole or not at all, and synchronous_commit is forced on so a "1" follows the WAL flush.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

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

    std::vector<StoredReport> All() override;
    bool AddVersionChecks(const std::string& day, std::int64_t count, std::string* error) override;
    bool RemoveLogBefore(std::int64_t before, std::size_t maxRows, std::size_t* removed,
                         std::string* error) override;
    bool ReadDaily(std::int64_t from, DailyFigures* figures, std::string* error) override;
    bool Ping(std::string* error) override;
    bool ReadSummary(std::vector<DaySummary>* days, std::string* error) override;
    int SchemaVersion() override;
    // Batches on several connections at once: one is executed while another waits for its
    // flush, and the server flushes the commits that wait together at once.
    std::size_t Writers() const override { return connections_.size(); }

protected:
    bool WriteBatch(const std::vector<PendingReport>& batch, std::string* error) override;
    std::optional<StoredReport> FindStored(const std::string& storedMac,
                                           const std::string& deviceType) override;

private:
    class Lease;
    explicit PostgresStore(StoreOptions options) : StatsStore(options.privacy), options_(options) {}
    pg_conn* Acquire();
    void Release(pg_conn* conn);
    // Reconnects after a lost connection (a restarted server) and sets the session up.
    bool Ready(pg_conn* conn, std::string* error);
    bool SetUpSession(pg_conn* conn, std::string* error);
    bool Prepare(pg_conn* conn, std::string* error);
    bool Migrate(pg_conn* conn, std::string* error);
    bool MigrateLocked(pg_conn* conn, std::string* error);
    // One transaction each (see SqliteStore).
    bool MovePcs(pg_conn* conn, std::size_t* done, std::string* error);
    bool ProtectLog(pg_conn* conn, std::size_t* done, std::string* error);

    StoreOptions options_;
    std::mutex mutex_;
    std::condition_variable released_;
    std::vector<pg_conn*> connections_;  // all, owned
    std::vector<pg_conn*> idle_;
};

}  // namespace qvx::server
