#pragma once
// Both stores, each on a fresh empty database: a SQLite file in a temporary folder, or a database
// of its own on the private PostgreSQL cluster that the test run started (its state file is named
// by QVX_TEST_POSTGRES_STATE). A second connection of the test's own adds triggers and holds
// locks, as another client of the same database would.

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "server/privacy.h"
#include "server/stats_store.h"

namespace qvx::server::testing {

enum class Backend { kSqlite, kPostgres };

inline std::string BackendName(Backend b) {
    return b == Backend::kSqlite ? "Sqlite" : "Postgres";
}

// The cluster's URI, or "" (with a failure) when no cluster was started for this run.
inline std::string PostgresAdminUri() {
    const char* state = std::getenv("QVX_TEST_POSTGRES_STATE");
    std::ifstream in(state ? state : "");
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("uri=")) {
            return line.substr(4);
        }
    }
    ADD_FAILURE() << "no private PostgreSQL: run through ctest (fixture private_postgres) or "
                     "set QVX_TEST_POSTGRES_STATE to a state file of "
                     "tests/e2e/tools/private_postgres.sh";
    return "";
}

class PgConnection {
public:
    explicit PgConnection(const std::string& uri) : conn_(PQconnectdb(uri.c_str())) {
        EXPECT_EQ(PQstatus(conn_), CONNECTION_OK) << PQerrorMessage(conn_);
    }
    ~PgConnection() { PQfinish(conn_); }
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs sql; the first value of the last result ("" when it has none).
    std::string Exec(const std::string& sql) {
        PGresult* r = PQexec(conn_, sql.c_str());
        const ExecStatusType status = PQresultStatus(r);
        EXPECT_TRUE(status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            << sql << ": " << PQerrorMessage(conn_);
        std::string value = PQntuples(r) > 0 ? PQgetvalue(r, 0, 0) : "";
        PQclear(r);
        return value;
    }

private:
    PGconn* conn_;
};

class SqliteConnection {
public:
    explicit SqliteConnection(const std::string& path) {
        EXPECT_EQ(sqlite3_open(path.c_str(), &db_), SQLITE_OK);
    }
    ~SqliteConnection() { sqlite3_close(db_); }
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    std::string Exec(const std::string& sql) {
        std::string value;
        char* error = nullptr;
        const int rc = sqlite3_exec(
            db_, sql.c_str(),
            [](void* out, int n, char** values, char**) {
                if (n > 0 && values[0]) {
                    *static_cast<std::string*>(out) = values[0];
                }
                return 0;
            },
            &value, &error);
        EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (error ? error : "");
        sqlite3_free(error);
        return value;
    }

private:
    sqlite3* db_ = nullptr;
};

// Another client of the database: runs SQL on a connection of its own.
class OtherClient {
public:
    virtual ~OtherClient() = default;
    virtual std::string Exec(const std::string& sql) = 0;
};

class StoreUnderTest {
public:
    explicit StoreUnderTest(Backend backend) : backend_(backend) {
        if (backend_ == Backend::kSqlite) {
            char pattern[] = "/tmp/qvx_stats_XXXXXX";
            dir_ = mkdtemp(pattern);
            location_ = (dir_ / "stats.db").string();
            return;
        }
        adminUri_ = PostgresAdminUri();
        if (adminUri_.empty()) {
            return;
        }
        static std::atomic<int> serial{0};
        dbName_ = "qvx_test_" + std::to_string(getpid()) + "_" + std::to_string(++serial);
        PgConnection(adminUri_).Exec("CREATE DATABASE " + dbName_);
        location_ = adminUri_.substr(0, adminUri_.rfind('/') + 1) + dbName_;
    }
    ~StoreUnderTest() {
        if (backend_ == Backend::kSqlite) {
            std::filesystem::remove_all(dir_);
        } else if (!dbName_.empty()) {
            PgConnection(adminUri_).Exec("DROP DATABASE " + dbName_ + " WITH (FORCE)");
        }
    }
    StoreUnderTest(const StoreUnderTest&) = delete;
    StoreUnderTest& operator=(const StoreUnderTest&) = delete;

    Backend Kind() const { return backend_; }
    const std::string& Location() const { return location_; }

    // The secret every store of the tests uses unless one is given.
    static constexpr const char* kSecret = "test secret of 32 bytes, no more";

    // Options with the tests' secret.
    static StoreOptions Options() {
        StoreOptions options;
        options.privacy.secret = kSecret;
        return options;
    }

    static StoreOptions WithLockWait(std::chrono::milliseconds wait) {
        StoreOptions options = Options();
        options.lockWait = wait;
        return options;
    }

    std::unique_ptr<StatsStore> Open(StoreOptions options = Options()) {
        std::string error;
        std::unique_ptr<StatsStore> store = StatsStore::Open(location_, &error, options);
        EXPECT_TRUE(store) << error;
        return store;
    }

    std::unique_ptr<OtherClient> Connect() {
        if (backend_ == Backend::kSqlite) {
            struct Client : OtherClient {
                explicit Client(const std::string& p) : c(p) {}
                std::string Exec(const std::string& sql) override { return c.Exec(sql); }
                SqliteConnection c;
            };
            return std::make_unique<Client>(location_);
        }
        struct Client : OtherClient {
            explicit Client(const std::string& u) : c(u) {}
            std::string Exec(const std::string& sql) override { return c.Exec(sql); }
            PgConnection c;
        };
        return std::make_unique<Client>(location_);
    }

    // Takes the database's write lock on a connection of its own and keeps it until released.
    std::unique_ptr<OtherClient> HoldWriteLock() {
        std::unique_ptr<OtherClient> client = Connect();
        if (backend_ == Backend::kSqlite) {
            client->Exec("BEGIN EXCLUSIVE;");
        } else {
            client->Exec("BEGIN; LOCK TABLE usage_pc, usage_log IN EXCLUSIVE MODE;");
        }
        return client;
    }

    // The MAC text as a store opened with the tests' secret writes it.
    static std::string Key(const std::string& macText) { return ProtectMacText(kSecret, macText); }

    // Makes every statement that writes a usage_log line of MAC text "POISON" fail.
    void PoisonStatement() {
        if (backend_ == Backend::kSqlite) {
            Connect()->Exec(
                "CREATE TRIGGER poison BEFORE INSERT ON usage_log WHEN NEW.mac_text = '" +
                Key("POISON") + "' BEGIN SELECT RAISE(ABORT, 'poisoned report'); END;");
        } else {
            Connect()->Exec(PoisonFunction() +
                            "CREATE TRIGGER poison BEFORE INSERT ON usage_log FOR EACH ROW "
                            "EXECUTE FUNCTION poison();");
        }
    }

    // Makes the commit of a transaction that wrote such a line fail (PostgreSQL: a deferred
    // constraint trigger, checked at COMMIT).
    void PoisonCommit() {
        ASSERT_EQ(backend_, Backend::kPostgres);
        Connect()->Exec(PoisonFunction() +
                        "CREATE CONSTRAINT TRIGGER poison AFTER INSERT ON usage_log "
                        "DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION poison();");
    }

    // Everything the database keeps where someone with a copy could read it: the SQLite file and
    // its side files byte for byte, or every row of the PostgreSQL tables as text.
    std::string EverythingStored() {
        std::string all;
        if (backend_ == Backend::kSqlite) {
            for (const char* suffix : {"", "-wal", "-journal"}) {
                std::ifstream in(location_ + suffix, std::ios::binary);
                all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
            return all;
        }
        const auto client = Connect();
        for (const char* table : {"usage_pc", "usage_log"}) {
            all += client->Exec(std::string("SELECT coalesce(string_agg(t::text, ' '), '') FROM ") +
                                table + " t;");
        }
        return all;
    }

    std::int64_t LogLines(const std::string& macText) {
        return std::stoll(Connect()->Exec("SELECT count(*) FROM usage_log WHERE mac_text = '" +
                                          Key(macText) + "';"));
    }

private:
    static std::string PoisonFunction() {
        std::string sql =
            "CREATE FUNCTION poison() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
            "IF NEW.mac_text = '";
        sql.append(Key("POISON"))
            .append("' THEN RAISE EXCEPTION 'poisoned report'; END IF; RETURN NEW; END $$;");
        return sql;
    }

    Backend backend_;
    std::filesystem::path dir_;
    std::string adminUri_;
    std::string dbName_;
    std::string location_;
};

}  // namespace qvx::server::testing
