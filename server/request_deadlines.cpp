#include "server/request_deadlines.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qvx::server {

struct RequestDeadlines::Connection {
    int fd;
    bool timed;
    Clock::time_point deadline;
};

RequestDeadlines::RequestDeadlines(std::chrono::milliseconds limit)
    : limit_(limit), sweeper_([this] { Sweep(); }) {}

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
        for (Connection* connection : connections_) {
            if (connection->timed && connection->deadline < now && connection->fd >= 0) {
                // The library sees the end of the stream and drops the connection itself.
                shutdown(connection->fd, SHUT_RDWR);
                connection->timed = false;
            }
        }
    }
}

}  // namespace qvx::server
