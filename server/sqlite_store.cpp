#include "server/sqlite_store.h"

#include <sqlite3.h>

#include <ctime>

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

// Version 2 begins: the table of version checks per day, and what a migration stopped part way
// goes on from (PCs not yet moved stay in usage_pc; log lines up to last_log_id are done).
constexpr const char* kVersion2Begin = R"sql(
CREATE TABLE IF NOT EXISTS version_checks (
    day    TEXT    PRIMARY KEY,
    checks INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS migration_progress (last_log_id INTEGER NOT NULL);
INSERT INTO migration_progress SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM migration_progress);
CREATE TABLE IF NOT EXISTS usage_pc_protected (
    mac_text       TEXT    NOT NULL,
    device_type    TEXT    NOT NULL,
    first_seen     INTEGER NOT NULL,
    last_seen      INTEGER NOT NULL,
    report_count   INTEGER NOT NULL,
    client_address TEXT    NOT NULL,
    PRIMARY KEY (mac_text, device_type)
);
)sql";

// Every row moved and every line rewritten: the protected table takes the PCs' place.
constexpr const char* kVersion2End = R"sql(
DROP TABLE usage_pc;
ALTER TABLE usage_pc_protected RENAME TO usage_pc;
DROP TABLE migration_progress;
CREATE INDEX IF NOT EXISTS usage_pc_first_seen ON usage_pc (first_seen);
)sql";

}  // namespace

// A transaction that rolls back unless committed.
class SqliteStore::Transaction {
public:
    explicit Transaction(SqliteStore& store) : store_(store) {
        began_ = store_.Exec("BEGIN IMMEDIATE;");
    }
    ~Transaction() {
        if (began_ && !done_) {
            store_.Exec("ROLLBACK;");
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    bool Began() const { return began_; }
    bool Commit() {
        done_ = store_.Exec("COMMIT;");
        return done_;
    }

private:
    SqliteStore& store_;
    bool began_ = false;
    bool done_ = false;
};

std::unique_ptr<SqliteStore> SqliteStore::Open(const std::string& path, std::string* error,
                                               StoreOptions options) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(
        path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
        nullptr);
    std::unique_ptr<SqliteStore> store(new SqliteStore(db, options.privacy));
    if (rc != SQLITE_OK) {
        *error = db ? sqlite3_errmsg(db) : "out of memory";
        return nullptr;
    }
    sqlite3_busy_timeout(db, static_cast<int>(options.lockWait.count()));
    // WAL with synchronous=FULL: every commit is flushed before the service answers.
    // Freed space is zeroed: text rewritten by the migration, and log lines removed for their
    // age, leave nothing behind in the file.
    if (!store->Exec("PRAGMA journal_mode=WAL;") || !store->Exec("PRAGMA synchronous=FULL;") ||
        !store->Exec("PRAGMA secure_delete=ON;")) {
        *error = sqlite3_errmsg(db);
        return nullptr;
    }
    if (!store->Migrate(options, error)) {
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

bool SqliteStore::ExecOr(const char* sql, std::string* error) {
    if (Exec(sql)) {
        return true;
    }
    *error = sqlite3_errmsg(db_);
    return false;
}

bool SqliteStore::Migrate(const StoreOptions& options, std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    int version = 0;
    {
        Transaction tx(*this);
        if (!tx.Began() ||
            !ExecOr("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL);",
                    error)) {
            *error = sqlite3_errmsg(db_);
            return false;
        }
        Statement s = Prepare(db_, "SELECT max(version) FROM schema_version;");
        if (!s || sqlite3_step(s.get()) != SQLITE_ROW) {
            *error = sqlite3_errmsg(db_);
            return false;
        }
        version = sqlite3_column_int(s.get(), 0);
        s.reset();
        if (version > kSchemaVersion) {
            *error = "database schema version " + std::to_string(version) +
                     " is newer than this program's (" + std::to_string(kSchemaVersion) + ")";
            return false;
        }
        if (version < 1 && !(ExecOr(kVersion1, error) && SetVersion(1, error))) {
            return false;
        }
        if (version < 2 && !ExecOr(kVersion2Begin, error)) {
            return false;
        }
        if (!tx.Commit()) {
            *error = sqlite3_errmsg(db_);
            return false;
        }
    }
    if (version >= 2) {
        return true;
    }
    // Rows of version 1 hold MAC texts and addresses in clear: each batch is rewritten in a
    // transaction of its own, so reports are never held up for long and a kill loses no work.
    std::size_t batches = 0;
    for (bool pcs = true;;) {
        if (options.migrationStopAfter && batches >= options.migrationStopAfter) {
            *error = "migration stopped after " + std::to_string(batches) + " batches";
            return false;
        }
        std::size_t done = 0;
        if (!(pcs ? MovePcs(options.migrationBatch, &done, error)
                  : ProtectLog(options.migrationBatch, &done, error))) {
            return false;
        }
        if (done > 0) {
            ++batches;
        } else if (pcs) {
            pcs = false;
        } else {
            break;
        }
    }
    {
        Transaction tx(*this);
        if (!tx.Began() || !ExecOr(kVersion2End, error) || !SetVersion(2, error) || !tx.Commit()) {
            *error = sqlite3_errmsg(db_);
            return false;
        }
    }
    // The old pages in the write-ahead log go too (best effort: a reader may hold them).
    Exec("PRAGMA wal_checkpoint(TRUNCATE);");
    return true;
}

bool SqliteStore::SetVersion(int version, std::string* error) {
    const std::string set = "DELETE FROM schema_version; INSERT INTO schema_version VALUES (" +
                            std::to_string(version) + ");";
    return ExecOr(set.c_str(), error);
}

bool SqliteStore::MovePcs(std::size_t batch, std::size_t* moved, std::string* error) {
    Transaction tx(*this);
    Statement select = Prepare(db_, R"sql(
        SELECT rowid, mac_text, device_type, first_seen, last_seen, report_count, client_address
        FROM usage_pc LIMIT ?1;)sql");
    Statement insert = Prepare(db_, R"sql(
        INSERT INTO usage_pc_protected VALUES (?1, ?2, ?3, ?4, ?5, ?6)
        ON CONFLICT (mac_text, device_type) DO UPDATE SET
            first_seen = min(first_seen, excluded.first_seen),
            last_seen = max(last_seen, excluded.last_seen),
            report_count = report_count + excluded.report_count;)sql");
    Statement remove = Prepare(db_, "DELETE FROM usage_pc WHERE rowid = ?1;");
    if (!tx.Began() || !select || !insert || !remove) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    sqlite3_bind_int64(select.get(), 1, static_cast<sqlite3_int64>(batch));
    std::vector<std::pair<std::int64_t, StoredReport>> rows;
    while (sqlite3_step(select.get()) == SQLITE_ROW) {
        StoredReport row{
            ColumnText(select.get(), 1),           ColumnText(select.get(), 2),
            sqlite3_column_int64(select.get(), 3), sqlite3_column_int64(select.get(), 4),
            sqlite3_column_int64(select.get(), 5), ColumnText(select.get(), 6)};
        rows.emplace_back(sqlite3_column_int64(select.get(), 0), std::move(row));
    }
    if (!rows.empty() && privacy().secret.empty()) {
        *error = "the database holds MAC texts in clear; its secret is needed to bring it over";
        return false;
    }
    for (const auto& [rowid, row] : rows) {
        const std::string mac = StoredMacText(row.macText);
        const std::string address = StoredAddress(row.clientAddress);
        sqlite3_bind_text(insert.get(), 1, mac.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(insert.get(), 2, row.deviceType.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(insert.get(), 3, row.firstSeen);
        sqlite3_bind_int64(insert.get(), 4, row.lastSeen);
        sqlite3_bind_int64(insert.get(), 5, row.count);
        sqlite3_bind_text(insert.get(), 6, address.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(remove.get(), 1, rowid);
        const bool ok =
            sqlite3_step(insert.get()) == SQLITE_DONE && sqlite3_step(remove.get()) == SQLITE_DONE;
        sqlite3_reset(insert.get());
        sqlite3_reset(remove.get());
        if (!ok) {
            *error = sqlite3_errmsg(db_);
            return false;
        }
    }
    select.reset();
    insert.reset();
    remove.reset();
    if (!tx.Commit()) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    *moved = rows.size();
    return true;
}

bool SqliteStore::ProtectLog(std::size_t batch, std::size_t* done, std::string* error) {
    Transaction tx(*this);
    Statement select = Prepare(db_, R"sql(
        SELECT id, mac_text, client_address FROM usage_log
        WHERE id > (SELECT last_log_id FROM migration_progress) ORDER BY id LIMIT ?1;)sql");
    Statement update =
        Prepare(db_, "UPDATE usage_log SET mac_text = ?2, client_address = ?3 WHERE id = ?1;");
    Statement progress = Prepare(db_, "UPDATE migration_progress SET last_log_id = ?1;");
    if (!tx.Began() || !select || !update || !progress) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    sqlite3_bind_int64(select.get(), 1, static_cast<sqlite3_int64>(batch));
    struct Line {
        std::int64_t id;
        std::string mac;
        std::string address;
    };
    std::vector<Line> lines;
    while (sqlite3_step(select.get()) == SQLITE_ROW) {
        lines.push_back({sqlite3_column_int64(select.get(), 0), ColumnText(select.get(), 1),
                         ColumnText(select.get(), 2)});
    }
    if (!lines.empty() && privacy().secret.empty()) {
        *error = "the database holds MAC texts in clear; its secret is needed to bring it over";
        return false;
    }
    for (const Line& line : lines) {
        const std::string mac = StoredMacText(line.mac);
        const std::string address = StoredAddress(line.address);
        sqlite3_bind_int64(update.get(), 1, line.id);
        sqlite3_bind_text(update.get(), 2, mac.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_text(update.get(), 3, address.c_str(), -1, SQLITE_STATIC);
        const bool ok = sqlite3_step(update.get()) == SQLITE_DONE;
        sqlite3_reset(update.get());
        if (!ok) {
            *error = sqlite3_errmsg(db_);
            return false;
        }
    }
    if (!lines.empty()) {
        sqlite3_bind_int64(progress.get(), 1, lines.back().id);
        if (sqlite3_step(progress.get()) != SQLITE_DONE) {
            *error = sqlite3_errmsg(db_);
            return false;
        }
    }
    select.reset();
    update.reset();
    progress.reset();
    if (!tx.Commit()) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    *done = lines.size();
    return true;
}

bool SqliteStore::WriteRows(const std::vector<PendingReport>& batch, std::string* error) {
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

bool SqliteStore::WriteBatch(const std::vector<PendingReport>& batch, std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!Exec("BEGIN IMMEDIATE;")) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    // One failed statement rolls the whole batch back: none of it is reported as stored.
    if (!WriteRows(batch, error)) {
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

std::optional<StoredReport> SqliteStore::FindStored(const std::string& macText,
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

bool SqliteStore::AddVersionChecks(const std::string& day, std::int64_t count, std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement s = Prepare(db_, R"sql(
        INSERT INTO version_checks (day, checks) VALUES (?1, ?2)
        ON CONFLICT (day) DO UPDATE SET checks = checks + excluded.checks;)sql");
    if (!s) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    sqlite3_bind_text(s.get(), 1, day.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(s.get(), 2, count);
    if (sqlite3_step(s.get()) != SQLITE_DONE) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    return true;
}

bool SqliteStore::RemoveLogBefore(std::int64_t before, std::size_t maxRows, std::size_t* removed,
                                  std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement s = Prepare(db_, R"sql(
        DELETE FROM usage_log WHERE id IN (
            SELECT id FROM usage_log WHERE received_at < ?1 ORDER BY received_at LIMIT ?2);)sql");
    if (!s) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    sqlite3_bind_int64(s.get(), 1, before);
    sqlite3_bind_int64(s.get(), 2, static_cast<sqlite3_int64>(maxRows));
    if (sqlite3_step(s.get()) != SQLITE_DONE) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    *removed = static_cast<std::size_t>(sqlite3_changes(db_));
    return true;
}

bool SqliteStore::ReadDaily(std::int64_t from, DailyFigures* figures, std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    *figures = {};
    const std::int64_t dayStart = from - ((from % 86400) + 86400) % 86400;
    const std::string firstDay = DayOf(dayStart);
    const auto read = [&](const char* sql, const auto& bind, const auto& take) {
        Statement s = Prepare(db_, sql);
        if (!s) {
            return false;
        }
        bind(s.get());
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
            take(s.get());
        }
        return rc == SQLITE_DONE;
    };
    const auto bindStart = [&](sqlite3_stmt* s) { sqlite3_bind_int64(s, 1, dayStart); };
    const auto bindDay = [&](sqlite3_stmt* s) {
        sqlite3_bind_text(s, 1, firstDay.c_str(), -1, SQLITE_TRANSIENT);
    };
    const auto into = [](std::vector<DayCount>* list, bool labelled) {
        return [list, labelled](sqlite3_stmt* s) {
            list->push_back({ColumnText(s, 0), labelled ? ColumnText(s, 1) : "",
                             sqlite3_column_int64(s, labelled ? 2 : 1)});
        };
    };
    const bool ok =
        read("SELECT count(*) FROM usage_pc WHERE first_seen < ?1;", bindStart,
             [&](sqlite3_stmt* s) { figures->pcsBefore = sqlite3_column_int64(s, 0); }) &&
        read(R"sql(SELECT date(first_seen, 'unixepoch') AS day, count(*) FROM usage_pc
                   WHERE first_seen >= ?1 GROUP BY day ORDER BY day;)sql",
             bindStart, into(&figures->newPcs, false)) &&
        read("SELECT day, checks FROM version_checks WHERE day >= ?1 ORDER BY day;", bindDay,
             into(&figures->versionChecks, false)) &&
        read(R"sql(SELECT date(received_at, 'unixepoch') AS day, device_type, count(*)
                   FROM usage_log WHERE received_at >= ?1
                   GROUP BY day, device_type ORDER BY day, device_type;)sql",
             bindStart, into(&figures->reports, true));
    if (!ok) {
        *error = sqlite3_errmsg(db_);
        *figures = {};
    }
    return ok;
}

bool SqliteStore::Ping(std::string* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement s = Prepare(db_, "SELECT max(version) FROM schema_version;");
    if (!s || sqlite3_step(s.get()) != SQLITE_ROW) {
        *error = sqlite3_errmsg(db_);
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
