// Durable usage reports per second through GroupCommitSink alone (no HTTP): CLIENTS threads,
// each submitting its next report once the last one was answered, as the service's clients do.
//   group_commit_bench LOCATION CLIENTS SECONDS
// Prints "reports/s transactions/s": reports answered as stored, over the run's wall time.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/group_commit_sink.h"

namespace {

using qvx::server::GroupCommitSink;
using qvx::server::StatsStore;
using qvx::server::StoreOptions;

// One client's wait for the answer to its report.
class Answer {
public:
    void Set(bool ok) {
        std::lock_guard<std::mutex> lock(mutex_);
        ok_ = ok;
        done_ = true;
        changed_.notify_one();
    }
    bool Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return done_; });
        done_ = false;
        return ok_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool done_ = false;
    bool ok_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: group_commit_bench LOCATION CLIENTS SECONDS\n");
        return 2;
    }
    std::string error;
    // Reports are hashed as the service stores them: the figure includes that work.
    StoreOptions options;
    options.privacy.secret = std::string(32, 'k');
    std::unique_ptr<StatsStore> store = StatsStore::Open(argv[1], &error, options);
    if (!store) {
        std::fprintf(stderr, "cannot open: %s\n", error.c_str());
        return 1;
    }
    const int clients = std::atoi(argv[2]);
    const auto length = std::chrono::seconds(std::atoi(argv[3]));
    std::atomic<long> stored{0};
    std::atomic<long> failed{0};
    std::atomic<bool> running{true};
    const auto start = std::chrono::steady_clock::now();
    std::uint64_t batches = 0;
    {
        GroupCommitSink sink(*store);
        std::vector<std::thread> threads;
        for (int c = 0; c < clients; ++c) {
            threads.emplace_back([&, c] {
                Answer answer;
                for (long n = 0; running; ++n) {
                    // Appended piece by piece (GCC 12 -Wrestrict false alarm on chained +).
                    std::string mac = "B";
                    mac += std::to_string(start.time_since_epoch().count());
                    mac += '-';
                    mac += std::to_string(c);
                    mac += '-';
                    mac += std::to_string(n);
                    sink.Submit({mac, "pc"}, "127.0.0.1", 1796774400,
                                [&answer](bool ok) { answer.Set(ok); });
                    (answer.Wait() ? stored : failed)++;
                }
            });
        }
        std::this_thread::sleep_for(length);
        running = false;
        for (std::thread& t : threads) {
            t.join();
        }
        batches = sink.Batches();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.0f %.0f\n", stored / seconds, batches / seconds);
    return failed == 0 ? 0 : 1;
}
