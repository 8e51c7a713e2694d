#include "server/stats_store.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>

namespace qvx::server {
namespace {

class TempDb {
public:
    TempDb() {
        char pattern[] = "/tmp/qvx_stats_XXXXXX";
        dir_ = mkdtemp(pattern);
    }
    ~TempDb() { std::filesystem::remove_all(dir_); }
    std::string Path() const { return (dir_ / "stats.db").string(); }

private:
    std::filesystem::path dir_;
};

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kDayOne = 1796774400;  // 2026-12-09 00:00:00 UTC

TEST(StatsStore, RepeatedReportsCountOnOneRowAndSurviveReopening) {
    TempDb temp;
    std::string error;
    {
        auto store = StatsStore::Open(temp.Path(), &error);
        ASSERT_TRUE(store) << error;
        EXPECT_TRUE(store->Record({"00-1A 00-1B", "pc"}, "127.0.0.1", kDayOne + 10));
        EXPECT_TRUE(store->Record({"00-1A 00-1B", "pc"}, "10.0.0.7", kDayOne + kDay + 5));
        EXPECT_TRUE(store->Record({"AA-BB", "pc"}, "127.0.0.1", kDayOne + kDay + 6));
    }
    auto store = StatsStore::Open(temp.Path(), &error);
    ASSERT_TRUE(store) << error;
    const auto row = store->Find("00-1A 00-1B", "pc");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->firstSeen, kDayOne + 10);
    EXPECT_EQ(row->lastSeen, kDayOne + kDay + 5);
    EXPECT_EQ(row->count, 2);
    EXPECT_EQ(row->clientAddress, "10.0.0.7");
    EXPECT_EQ(store->All().size(), 2u);
    EXPECT_FALSE(store->Find("00-1A", "pc"));
}

TEST(StatsStore, DatabaseIsInWalModeWithFullSync) {
    TempDb temp;
    std::string error;
    auto store = StatsStore::Open(temp.Path(), &error);
    ASSERT_TRUE(store) << error;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(temp.Path().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA journal_mode;", -1, &s, nullptr);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "wal");
    sqlite3_finalize(s);
    sqlite3_close(db);
}

TEST(StatsStore, SummaryCountsReportsPcsAndNewPcsPerDay) {
    TempDb temp;
    std::string error;
    auto store = StatsStore::Open(temp.Path(), &error);
    ASSERT_TRUE(store) << error;
    store->Record({"A", "pc"}, "x", kDayOne + 1);
    store->Record({"A", "pc"}, "x", kDayOne + 2);
    store->Record({"B", "pc"}, "x", kDayOne + 3);
    store->Record({"A", "pc"}, "x", kDayOne + kDay + 1);
    store->Record({"C", "pc"}, "x", kDayOne + kDay + 2);
    const auto days = store->SummaryByDay();
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].day, "2026-12-09");
    EXPECT_EQ(days[0].reports, 3);
    EXPECT_EQ(days[0].pcs, 2);
    EXPECT_EQ(days[0].newPcs, 2);
    EXPECT_EQ(days[1].day, "2026-12-10");
    EXPECT_EQ(days[1].reports, 2);
    EXPECT_EQ(days[1].pcs, 2);
    EXPECT_EQ(days[1].newPcs, 1);
    EXPECT_NE(FormatSummary(days).find("2026-12-10        2    2        1"), std::string::npos)
        << FormatSummary(days);
}

TEST(StatsStore, UnopenableDatabaseIsReported) {
    std::string error;
    EXPECT_FALSE(StatsStore::Open("/nonexistent-dir/x/stats.db", &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qvx::server
