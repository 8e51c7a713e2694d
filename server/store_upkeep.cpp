#include "server/store_upkeep.h"

#include <ctime>

namespace qvx::server {

namespace {

constexpr std::int64_t kDaySeconds = 86400;

std::int64_t DayNumber(std::int64_t unixSeconds) {
    return unixSeconds >= 0 ? unixSeconds / kDaySeconds : (unixSeconds + 1) / kDaySeconds - 1;
}

}  // namespace

std::string UtcDay(std::int64_t unixSeconds) {
    const auto t = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[16];
    std::strftime(text, sizeof(text), "%Y-%m-%d", &utc);
    return text;
}

void DayTally::Add(std::int64_t unixSeconds) {
    const std::int64_t day = DayNumber(unixSeconds);
    std::lock_guard lock(mutex_);
    ++byDay_[day];
}

std::vector<DayCount> DayTally::Take() {
    std::map<std::int64_t, std::int64_t> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(byDay_);
    }
    std::vector<DayCount> counts;
    for (const auto& [day, n] : taken) {
        counts.push_back({UtcDay(day * kDaySeconds), "", n});
    }
    return counts;
}

void DayTally::Return(const std::vector<DayCount>& counts) {
    std::lock_guard lock(mutex_);
    for (const DayCount& c : counts) {
        std::tm day{};
        if (strptime(c.day.c_str(), "%Y-%m-%d", &day)) {
            byDay_[DayNumber(timegm(&day))] += c.count;
        }
    }
}

StoreUpkeep::StoreUpkeep(StatsStore& store, DayTally& versionChecks, UpkeepConfig config,
                         std::function<std::int64_t()> now, Log log,
                         std::function<void(bool)> reachable)
    : store_(store),
      versionChecks_(versionChecks),
      config_(config),
      now_(std::move(now)),
      log_(std::move(log)),
      reachable_(std::move(reachable)),
      thread_([this] { Run(); }) {}

StoreUpkeep::~StoreUpkeep() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    Flush();
}

void StoreUpkeep::Flush() {
    const std::vector<DayCount> counts = versionChecks_.Take();
    std::vector<DayCount> failed;
    for (const DayCount& c : counts) {
        std::string error;
        if (!store_.AddVersionChecks(c.day, c.count, &error)) {
            failed.push_back(c);
            if (log_) {
                log_("version checks of " + c.day + " not stored yet: " + error);
            }
        }
    }
    versionChecks_.Return(failed);
}

bool StoreUpkeep::RemoveOld() {
    if (config_.keepDays <= 0) {
        return false;
    }
    std::size_t removed = 0;
    std::string error;
    const std::int64_t before = now_() - static_cast<std::int64_t>(config_.keepDays) * kDaySeconds;
    if (!store_.RemoveLogBefore(before, config_.retentionBatch, &removed, &error)) {
        if (log_) {
            log_("old log lines not removed: " + error);
        }
        return false;
    }
    return removed == config_.retentionBatch;
}

void StoreUpkeep::Run() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    Clock::time_point nextFlush = start + config_.flushEvery;
    Clock::time_point nextRetention = start;  // at start, then now and then
    Clock::time_point nextPing = start;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        const Clock::time_point next = std::min({nextFlush, nextRetention, nextPing});
        if (wake_.wait_until(lock, next, [this] { return stopping_; })) {
            break;
        }
        lock.unlock();
        const Clock::time_point now = Clock::now();
        if (now >= nextPing) {
            std::string error;
            const bool up = store_.Ping(&error);
            if (reachable_) {
                reachable_(up);
            }
            nextPing = now + config_.pingEvery;
        }
        if (now >= nextFlush) {
            Flush();
            nextFlush = now + config_.flushEvery;
        }
        if (now >= nextRetention) {
            // A full batch: more may be left, after a pause that lets reports through.
            nextRetention = RemoveOld() ? Clock::now() + config_.retentionPause
                                        : Clock::now() + config_.retentionEvery;
        }
        lock.lock();
    }
}

}  // namespace qvx::server
