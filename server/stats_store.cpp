#include "server/stats_store.h"

#include <sqlite3.h>

#include <cstdio>

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

constexpr const char* kSchema = R"sql(
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

}  // namespace

std::unique_ptr<StatsStore> StatsStore::Open(const std::string& path, std::string* error) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(
        path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
        nullptr);
    std::unique_ptr<StatsStore> store(new StatsStore(db));
    if (rc != SQLITE_OK) {
        *error = db ? sqlite3_errmsg(db) : "out of memory";
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    // WAL with synchronous=FULL: every commit is flushed before the service answers.
    if (!store->Exec("PRAGMA journal_mode=WAL;") || !store->Exec("PRAGMA synchronous=FULL;") ||
        !store->Exec(kSchema)) {
        *error = sqlite3_errmsg(db);
        return nullptr;
    }
    return store;
}

StatsStore::~StatsStore() {
    sqlite3_close_v2(db_);
}

bool StatsStore::Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool StatsStore::Record(const UsageReport& report, const std::string& clientAddress,
                        std::int64_t now) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Exec("BEGIN IMMEDIATE;")) {
        return false;
    }
    Statement upsert = Prepare(db_, R"sql(
        INSERT INTO usage_pc (mac_text, device_type, first_seen, last_seen, report_count,
                              client_address)
        VALUES (?1, ?2, ?3, ?3, 1, ?4)
        ON CONFLICT (mac_text, device_type) DO UPDATE SET
            last_seen = excluded.last_seen,
            report_count = report_count + 1,
            client_address = excluded.client_address;)sql");
    Statement log = Prepare(db_, R"sql(
        INSERT INTO usage_log (received_at, mac_text, device_type, client_address)
        VALUES (?1, ?2, ?3, ?4);)sql");
    bool ok = upsert && log;
    if (ok) {
        sqlite3_bind_text(upsert.get(), 1, report.macText.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(upsert.get(), 2, report.deviceType.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(upsert.get(), 3, now);
        sqlite3_bind_text(upsert.get(), 4, clientAddress.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(log.get(), 1, now);
        sqlite3_bind_text(log.get(), 2, report.macText.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(log.get(), 3, report.deviceType.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(log.get(), 4, clientAddress.c_str(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(upsert.get()) == SQLITE_DONE && sqlite3_step(log.get()) == SQLITE_DONE;
    }
    upsert.reset();
    log.reset();
    if (ok && Exec("COMMIT;")) {
        return true;
    }
    Exec("ROLLBACK;");
    return false;
}

std::optional<StoredReport> StatsStore::Find(const std::string& macText,
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

std::vector<StoredReport> StatsStore::All() {
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

std::vector<DaySummary> StatsStore::SummaryByDay() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<DaySummary> days;
    Statement s = Prepare(db_, R"sql(
        WITH log AS (SELECT date(received_at, 'unixepoch') AS day, mac_text FROM usage_log),
             fresh AS (SELECT date(first_seen, 'unixepoch') AS day, count(*) AS n
                       FROM usage_pc GROUP BY day)
        SELECT log.day, count(*), count(DISTINCT log.mac_text), coalesce(fresh.n, 0)
        FROM log LEFT JOIN fresh ON fresh.day = log.day
        GROUP BY log.day ORDER BY log.day;)sql");
    while (s && sqlite3_step(s.get()) == SQLITE_ROW) {
        days.push_back(DaySummary{ColumnText(s.get(), 0), sqlite3_column_int64(s.get(), 1),
                                  sqlite3_column_int64(s.get(), 2),
                                  sqlite3_column_int64(s.get(), 3)});
    }
    return days;
}

std::string FormatSummary(const std::vector<DaySummary>& days) {
    std::string text = "day         reports  pcs  new_pcs\n";
    char line[96];
    for (const DaySummary& d : days) {
        std::snprintf(line, sizeof(line), "%-10s %8lld %4lld %8lld\n", d.day.c_str(),
                      static_cast<long long>(d.reports), static_cast<long long>(d.pcs),
                      static_cast<long long>(d.newPcs));
        text += line;
    }
    return text;
}

}  // namespace qvx::server
