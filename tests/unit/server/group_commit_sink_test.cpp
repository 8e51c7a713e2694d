#include "server/group_commit_sink.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "store_backends.h"

namespace qvx::server {
namespace {

using namespace std::chrono_literals;
using testing::Backend;
using testing::StoreUnderTest;

constexpr std::int64_t kNow = 1796774400;

// The answers the sink gave, by MAC text.
class Answers {
public:
    ReportSink::Done For(const std::string& mac) {
        return [this, mac](bool committed) {
            std::lock_guard<std::mutex> lock(mutex_);
            answers_[mac].push_back(committed);
            changed_.notify_all();
        };
    }
    // Waits until n answers came (at most 20 s); the answers by MAC.
    std::map<std::string, std::vector<bool>> Await(std::size_t n) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, 20s, [&] { return Count() >= n; });
        EXPECT_EQ(Count(), n);
        return answers_;
    }

private:
    std::size_t Count() const {
        std::size_t n = 0;
        for (const auto& [mac, list] : answers_) {
            n += list.size();
        }
        return n;
    }
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::vector<bool>> answers_;
};

void Submit(ReportSink& sink, Answers& answers, const std::string& mac) {
    sink.Submit({mac, "pc"}, "127.0.0.1", kNow, answers.For(mac));
}

class GroupCommitSinkTest : public ::testing::TestWithParam<Backend> {
protected:
    StoreUnderTest db_{GetParam()};
};

// Each done(true) comes after its row is committed: another connection already sees it.
TEST_P(GroupCommitSinkTest, EveryReportIsAnsweredOnceAfterItsRowIsVisibleToOthers) {
    auto store = db_.Open();
    ASSERT_TRUE(store);
    const auto observer = db_.Connect();
    std::mutex seenMutex;
    std::map<std::string, std::string> seenAtAnswer;
    Answers answers;
    constexpr int kThreads = 8;
    constexpr int kEach = 40;
    {
        GroupCommitSink sink(*store);
        std::vector<std::thread> clients;
        for (int t = 0; t < kThreads; ++t) {
            clients.emplace_back([&, t] {
                for (int i = 0; i < kEach; ++i) {
                    std::string mac = "T";
                    mac.append(std::to_string(t)).append("-").append(std::to_string(i));
                    ReportSink::Done record = answers.For(mac);
                    sink.Submit({mac, "pc"}, "127.0.0.1", kNow, [&, mac, record](bool ok) {
                        {
                            std::lock_guard<std::mutex> lock(seenMutex);
                            seenAtAnswer[mac] =
                                observer->Exec("SELECT count(*) FROM usage_log WHERE mac_text = '" +
                                               StoreUnderTest::Key(mac) + "';");
                        }
                        record(ok);
                    });
                }
            });
        }
        for (std::thread& c : clients) {
            c.join();
        }
        const auto got = answers.Await(kThreads * kEach);
        for (const auto& [mac, list] : got) {
            ASSERT_EQ(list, std::vector<bool>{true}) << mac;
            EXPECT_EQ(seenAtAnswer[mac], "1") << mac << " answered before its commit";
        }
        EXPECT_LE(sink.Batches(), static_cast<std::uint64_t>(kThreads * kEach));
    }
    EXPECT_EQ(store->All().size(), static_cast<std::size_t>(kThreads * kEach));
}

// The same PCs from many clients, in every order, through concurrent transactions: each report
// is counted once, and no two transactions deadlock over the rows they share.
TEST_P(GroupCommitSinkTest, ReportsOfTheSamePcsFromManyClientsAreEachCounted) {
    auto store = db_.Open();
    ASSERT_TRUE(store);
    Answers answers;
    constexpr int kThreads = 8;
    constexpr int kEach = 60;
    const std::vector<std::string> pcs = {"P0", "P1", "P2", "P3", "P4"};
    {
        GroupCommitSink sink(*store);
        std::vector<std::thread> clients;
        for (int t = 0; t < kThreads; ++t) {
            clients.emplace_back([&, t] {
                for (int i = 0; i < kEach; ++i) {
                    // Odd clients walk the PCs backwards.
                    const std::size_t k =
                        (t % 2 ? pcs.size() - 1 - i % pcs.size() : i % pcs.size());
                    Submit(sink, answers, pcs[k]);
                }
            });
        }
        for (std::thread& c : clients) {
            c.join();
        }
        std::int64_t trues = 0;
        for (const auto& [mac, list] : answers.Await(kThreads * kEach)) {
            trues += std::count(list.begin(), list.end(), true);
        }
        EXPECT_EQ(trues, kThreads * kEach);
    }
    std::int64_t counted = 0;
    EXPECT_EQ(store->All().size(), pcs.size());
    for (const std::string& pc : pcs) {
        const auto row = store->Find(pc, "pc");
        ASSERT_TRUE(row) << pc;
        counted += row->count;
        EXPECT_EQ(db_.LogLines(pc), row->count) << pc;
    }
    EXPECT_EQ(counted, kThreads * kEach);
}

// Reports that arrive while a commit waits go together in the next one.
TEST_P(GroupCommitSinkTest, ReportsThatWaitTogetherShareOneCommit) {
    auto store = db_.Open();
    ASSERT_TRUE(store);
    Answers answers;
    GroupCommitSink sink(*store);
    {
        const auto lock = db_.HoldWriteLock();
        Submit(sink, answers, "FIRST");
        std::this_thread::sleep_for(200ms);  // the writer now waits for the lock with FIRST
        for (int i = 0; i < 50; ++i) {
            Submit(sink, answers, std::string("M").append(std::to_string(i)));
        }
        lock->Exec("ROLLBACK;");
    }
    for (const auto& [mac, list] : answers.Await(51)) {
        EXPECT_EQ(list, std::vector<bool>{true}) << mac;
    }
    // Each writer may have taken some before the lock went; the rest went together.
    EXPECT_LE(sink.Batches(), store->Writers() + 2);
    EXPECT_EQ(store->All().size(), 51u);
}

TEST_P(GroupCommitSinkTest, LockedLongerThanTheWaitIsAnsweredNotStoredAndLaterReportsAre) {
    auto store = db_.Open(StoreUnderTest::WithLockWait(300ms));
    ASSERT_TRUE(store);
    Answers answers;
    GroupCommitSink sink(*store);
    {
        const auto lock = db_.HoldWriteLock();
        Submit(sink, answers, "LOCKED");
        EXPECT_EQ(answers.Await(1)["LOCKED"], std::vector<bool>{false});
        lock->Exec("ROLLBACK;");
    }
    Submit(sink, answers, "LATER");
    EXPECT_EQ(answers.Await(2)["LATER"], std::vector<bool>{true});
    EXPECT_EQ(db_.LogLines("LOCKED"), 0);
    EXPECT_EQ(db_.LogLines("LATER"), 1);
}

TEST_P(GroupCommitSinkTest, StoppingCommitsWhatIsStillWaiting) {
    auto store = db_.Open();
    ASSERT_TRUE(store);
    Answers answers;
    {
        GroupCommitSink sink(*store);
        for (int i = 0; i < 100; ++i) {
            Submit(sink, answers, std::string("S").append(std::to_string(i)));
        }
    }
    for (const auto& [mac, list] : answers.Await(100)) {
        EXPECT_EQ(list, std::vector<bool>{true}) << mac;
    }
    EXPECT_EQ(store->All().size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(BothStores, GroupCommitSinkTest,
                         ::testing::Values(Backend::kSqlite, Backend::kPostgres),
                         [](const auto& info) { return testing::BackendName(info.param); });

// A batch that fails, by a statement in its middle or at its commit: no report in it is
// answered as stored, none of its rows is there, and the next batch is stored again.
enum class Fault { kStatement, kCommit };
struct FaultCase {
    Backend backend;
    Fault fault;
};

class FailedBatchTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FailedBatchTest, NoReportOfAFailedBatchIsAnsweredAsStored) {
    StoreUnderTest db(GetParam().backend);
    auto store = db.Open();
    ASSERT_TRUE(store);
    if (GetParam().fault == Fault::kStatement) {
        db.PoisonStatement();
    } else {
        db.PoisonCommit();
    }
    Answers answers;
    std::vector<std::string> logged;
    // One writer: the three reports after FIRST then surely share one transaction.
    GroupCommitSink sink(
        *store, [&](const std::string& line) { logged.push_back(line); }, 1);
    {
        const auto lock = db.HoldWriteLock();
        Submit(sink, answers, "FIRST");
        std::this_thread::sleep_for(200ms);  // FIRST's batch waits for the lock alone
        for (const char* mac : {"BEFORE", "POISON", "AFTER"}) {
            Submit(sink, answers, mac);
        }
        lock->Exec("ROLLBACK;");
    }
    auto got = answers.Await(4);
    EXPECT_EQ(got["FIRST"], std::vector<bool>{true});
    for (const char* mac : {"BEFORE", "POISON", "AFTER"}) {
        EXPECT_EQ(got[mac], std::vector<bool>{false}) << mac;
        EXPECT_EQ(db.LogLines(mac), 0) << mac;
        EXPECT_FALSE(store->Find(mac, "pc")) << mac;
    }
    Submit(sink, answers, "NEXT");
    EXPECT_EQ(answers.Await(5)["NEXT"], std::vector<bool>{true});
    EXPECT_EQ(store->All().size(), 2u);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find("batch of 3 reports not stored"), std::string::npos) << logged[0];
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedBatchTest,
                         ::testing::Values(FaultCase{Backend::kSqlite, Fault::kStatement},
                                           FaultCase{Backend::kPostgres, Fault::kStatement},
                                           FaultCase{Backend::kPostgres, Fault::kCommit}),
                         [](const auto& info) {
                             return testing::BackendName(info.param.backend) +
                                    (info.param.fault == Fault::kStatement ? "StatementFails"
                                                                           : "CommitFails");
                         });

}  // namespace
}  // namespace qvx::server
