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

    bool RecordBatch(const std::vector<PendingReport>& batch, std::string* error) override;
    std::optional<StoredReport> Find(const std::string& macText,
                                     const std::string& deviceType) override;
    std::vector<StoredReport> All() override;
    bool ReadSummary(std::vector<DaySummary>* days, std::string* error) override;
    int SchemaVersion() override;
    // Batches on several connections at once: one is executed while another waits for its
    // flush, and the server flushes the commits that wait together at once.
    std::size_t Writers() const override { return connections_.size(); }

private:
    class Lease;
    explicit PostgresStore(StoreOptions options) : options_(options) {}
    pg_conn* Acquire();
    void Release(pg_conn* conn);
    // Reconnects after a lost connection (a restarted server) and sets the session up.
    bool Ready(pg_conn* conn, std::string* error);
    bool SetUpSession(pg_conn* conn, std::string* error);
    bool Prepare(pg_conn* conn, std::string* error);
    bool Migrate(pg_conn* conn, std::string* error);

    StoreOptions options_;
    std::mutex mutex_;
    std::condition_variable released_;
    std::vector<pg_conn*> connections_;  // all, owned
    std::vector<pg_conn*> idle_;
};

}  // namespace qvx::server
