#include "server/sqlite_store.h"

#include <sqlite3.h>

namespace qvx::server {

namespace {

struct StatementFinalizer {
    void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) != SQLITE_OK) {
        return nullptr;
    }
    return Statement(raw);
}

std::string ColumnText(sqlite3_stmt* s, int column) {
    const unsigned char* text = sqlite3_column_text(s, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

StoredReport ReadReport(sqlite3_stmt* s) {
    return StoredReport{ColumnText(s, 0),           ColumnText(s, 1),
                        sqlite3_column_int64(s, 2), sqlite3_column_int64(s, 3),
                        sqlite3_column_int64(s, 4), ColumnText(s, 5)};
}

// Version 1: the two tables as the first release of the service made them (a file without a
// schema_version row is such a file, and this step leaves it as it is).
constexpr const char* kVersion1 = R"sql(
CREATE TABLE IF NOT EXISTS usage_pc (
    mac_text       TEXT    NOT NULL,
    device_type    TEXT    NOT NULL,
    first_seen     INTEGER NOT NULL,
    last_seen      INTEGER NOT NULL,
    report_count   INTEGER NOT NULL,
    client_address TEXT    NOT NULL,
    PRIMARY KEY (mac_text, device_type)
);
CREATE TABLE IF NOT EXISTS usage_log (
    id             INTEGER PRIMARY KEY,
    received_at    INTEGER NOT NULL,
    mac_text       TEXT    NOT NULL,
    device_type    TEXT    NOT NULL,
    client_address TEXT    NOT NULL
);
CREATE INDEX IF NOT EXISTS usage_log_received_at ON usage_log (received_at);
)sql";

// Step i brings the schema from version i to i + 1.
constexpr const char* kMigrations[kSchemaVersion] = {kVersion1};

}  // namespace

std::unique_ptr<SqliteStore> SqliteStore::Open(const std::string& path, std::string* error,
                                               StoreOptions options) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(
        path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
        nullptr);
    std::unique_ptr<SqliteStore> store(new SqliteStore(db));
    if (rc != SQLITE_OK) {
        *error = db ? sqlite3_errmsg(db) : "out of memory";
        return nullptr;
    }
    sqlite3_busy_timeout(db, static_cast<int>(options.lockWait.count()));
    // WAL with synchronous=FULL: every commit is flushed before the service answers.
    if (!store->Exec("PRAGMA journal_mode=WAL;") || !store->Exec("PRAGMA synchronous=FULL;")) {
        *error = sqlite3_errmsg(db);
        return nullptr;
    }
    if (!store->Migrate(error)) {
        return nullptr;
    }
    return store;
}

SqliteStore::~SqliteStore() {
    sqlite3_finalize(upsert_);
    sqlite3_finalize(log_);
    sqlite3_close_v2(db_);
}

bool SqliteStore::Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool SqliteStore::Migrate(std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Exec("BEGIN IMMEDIATE;")) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    bool ok = Exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL);");
    int version = 0;
    if (ok) {
        Statement s = Prepare(db_, "SELECT max(version) FROM schema_version;");
        ok = s && sqlite3_step(s.get()) == SQLITE_ROW;
        if (ok) {
            version = sqlite3_column_int(s.get(), 0);
        }
    }
    if (ok && version > kSchemaVersion) {
        *error = "database schema version " + std::to_string(version) +
                 " is newer than this program's (" + std::to_string(kSchemaVersion) + ")";
        Exec("ROLLBACK;");
        return false;
    }
    for (int step = version; ok && step < kSchemaVersion; ++step) {
        ok = Exec(kMigrations[step]);
    }
    if (ok && version < kSchemaVersion) {
        const std::string set = "DELETE FROM schema_version; INSERT INTO schema_version VALUES (" +
                                std::to_string(kSchemaVersion) + ");";
        ok = Exec(set.c_str());
    }
    if (ok && Exec("COMMIT;")) {
        return true;
    }
    *error = sqlite3_errmsg(db_);
    Exec("ROLLBACK;");
    return false;
}

bool SqliteStore::WriteBatch(const std::vector<PendingReport>& batch, std::string* error) {
    if (!upsert_) {
        sqlite3_prepare_v2(db_, R"sql(
            INSERT INTO usage_pc (mac_text, device_type, first_seen, last_seen, report_count,
                                  client_address)
            VALUES (?1, ?2, ?3, ?3, 1, ?4)
            ON CONFLICT (mac_text, device_type) DO UPDATE SET
                last_seen = excluded.last_seen,
                report_count = report_count + 1,
                client_address = excluded.client_address;)sql",
                           -1, &upsert_, nullptr);
    }
    if (!log_) {
        sqlite3_prepare_v2(db_, R"sql(
            INSERT INTO usage_log (received_at, mac_text, device_type, client_address)
            VALUES (?1, ?2, ?3, ?4);)sql",
                           -1, &log_, nullptr);
    }
    if (!upsert_ || !log_) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    for (const PendingReport& p : batch) {
        // The texts outlive the steps: no copies.
        sqlite3_bind_text(upsert_, 1, p.report.macText.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(upsert_, 2, p.report.deviceType.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(upsert_, 3, p.receivedAt);
        sqlite3_bind_text(upsert_, 4, p.clientAddress.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(log_, 1, p.receivedAt);
        sqlite3_bind_text(log_, 2, p.report.macText.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(log_, 3, p.report.deviceType.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(log_, 4, p.clientAddress.c_str(), -1, SQLITE_STATIC);
        const bool ok = sqlite3_step(upsert_) == SQLITE_DONE && sqlite3_step(log_) == SQLITE_DONE;
        if (!ok) {
            *error = sqlite3_errmsg(db_);  // before the reset below
        }
        sqlite3_reset(upsert_);
        sqlite3_reset(log_);
        sqlite3_clear_bindings(upsert_);
        sqlite3_clear_bindings(log_);
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool SqliteStore::RecordBatch(const std::vector<PendingReport>& batch, std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Exec("BEGIN IMMEDIATE;")) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    // One failed statement rolls the whole batch back: none of it is reported as stored.
    if (!WriteBatch(batch, error)) {
        Exec("ROLLBACK;");
        return false;
    }
    if (Exec("COMMIT;")) {
        return true;
    }
    *error = sqlite3_errmsg(db_);
    Exec("ROLLBACK;");
    return false;
}

std::optional<StoredReport> SqliteStore::Find(const std::string& macText,
                                              const std::string& deviceType) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement s = Prepare(db_, R"sql(
        SELECT mac_text, device_type, first_seen, last_seen, report_count, client_address
        FROM usage_pc WHERE mac_text = ?1 AND device_type = ?2;)sql");
    if (!s) {
        return std::nullopt;
    }
    sqlite3_bind_text(s.get(), 1, macText.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s.get(), 2, deviceType.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(s.get()) != SQLITE_ROW) {
        return std::nullopt;
    }
    return ReadReport(s.get());
}

std::vector<StoredReport> SqliteStore::All() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<StoredReport> rows;
    Statement s = Prepare(db_, R"sql(
        SELECT mac_text, device_type, first_seen, last_seen, report_count, client_address
        FROM usage_pc ORDER BY first_seen, mac_text;)sql");
    while (s && sqlite3_step(s.get()) == SQLITE_ROW) {
        rows.push_back(ReadReport(s.get()));
    }
    return rows;
}

bool SqliteStore::ReadSummary(std::vector<DaySummary>* days, std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    days->clear();
    Statement s = Prepare(db_, R"sql(
        WITH log AS (SELECT date(received_at, 'unixepoch') AS day, mac_text FROM usage_log),
             fresh AS (SELECT date(first_seen, 'unixepoch') AS day, count(*) AS n
                       FROM usage_pc GROUP BY day)
        SELECT log.day, count(*), count(DISTINCT log.mac_text), coalesce(max(fresh.n), 0)
        FROM log LEFT JOIN fresh ON fresh.day = log.day
        GROUP BY log.day ORDER BY log.day;)sql");
    int rc = s ? SQLITE_ROW : SQLITE_ERROR;
    while (s && (rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        days->push_back(DaySummary{ColumnText(s.get(), 0), sqlite3_column_int64(s.get(), 1),
                                   sqlite3_column_int64(s.get(), 2),
                                   sqlite3_column_int64(s.get(), 3)});
    }
    if (rc != SQLITE_DONE) {
        *error = sqlite3_errmsg(db_);
        days->clear();
        return false;
    }
    return true;
}

int SqliteStore::SchemaVersion() {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement s = Prepare(db_, "SELECT max(version) FROM schema_version;");
    if (!s || sqlite3_step(s.get()) != SQLITE_ROW) {
        return 0;
    }
    return sqlite3_column_int(s.get(), 0);
}

}  // namespace qvx::server
