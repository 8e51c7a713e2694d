#include "server/request_deadlines.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace qvx::server {

struct RequestDeadlines::Connection {
    int fd;
    bool timed;
    Clock::time_point deadline;
    bool cut = false;
};

RequestDeadlines::RequestDeadlines(std::chrono::milliseconds limit, std::size_t capacity,
                                   std::function<void()> onCut)
    : limit_(limit),
      highWater_(capacity * 3 / 4),
      onCut_(std::move(onCut)),
      sweeper_([this] { Sweep(); }) {}

RequestDeadlines::~RequestDeadlines() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    sweeper_.join();
    for (Connection* connection : connections_) {
        close(connection->fd);
        delete connection;
    }
}

RequestDeadlines::Connection* RequestDeadlines::Add(int fd) {
    auto* connection = new Connection{fcntl(fd, F_DUPFD_CLOEXEC, 0), true, Clock::now() + limit_};
    std::lock_guard lock(mutex_);
    connections_.insert(connection);
    return connection;
}

void RequestDeadlines::Received(Connection* connection) {
    std::lock_guard lock(mutex_);
    connection->timed = false;
}

void RequestDeadlines::Answered(Connection* connection) {
    std::lock_guard lock(mutex_);
    connection->timed = true;
    connection->deadline = Clock::now() + limit_;
}

void RequestDeadlines::Remove(Connection* connection) {
    {
        std::lock_guard lock(mutex_);
        connections_.erase(connection);
        if (connection->cut) {
            --cut_;
        }
    }
    if (connection->fd >= 0) {
        close(connection->fd);
    }
    delete connection;
}

void RequestDeadlines::Sweep() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        wake_.wait_for(lock, std::chrono::milliseconds(200));
        const Clock::time_point now = Clock::now();
        // The library sees the end of the stream and drops the connection itself.
        const auto cut = [&](Connection* connection) {
            shutdown(connection->fd, SHUT_RDWR);
            connection->timed = false;
            connection->cut = true;
            ++cut_;
            if (onCut_) {
                onCut_();
            }
        };
        std::vector<Connection*> waiting;
        for (Connection* connection : connections_) {
            if (connection->timed && connection->fd >= 0) {
                if (connection->deadline < now) {
                    cut(connection);
                } else {
                    waiting.push_back(connection);
                }
            }
        }
        const std::size_t open = connections_.size() - cut_;
        if (open > highWater_) {
            // Oldest first: the earliest deadline started its wait first.
            const std::size_t excess = std::min(open - highWater_, waiting.size());
            std::partial_sort(
                waiting.begin(), waiting.begin() + static_cast<long>(excess), waiting.end(),
                [](const Connection* a, const Connection* b) { return a->deadline < b->deadline; });
            std::for_each(waiting.begin(), waiting.begin() + static_cast<long>(excess), cut);
        }
    }
}

}  // namespace qvx::server
