#pragma once
// A deadline for each connection's current request, enforced from a thread of its own. The HTTP
// library only times out silence, so a client that sends one byte a second would keep a
// connection for hours; this cuts such a connection once its request has taken too long.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace qvx::server {

class RequestDeadlines {
public:
    using Clock = std::chrono::steady_clock;
    struct Connection;

    explicit RequestDeadlines(std::chrono::milliseconds limit);
    ~RequestDeadlines();
    RequestDeadlines(const RequestDeadlines&) = delete;
    RequestDeadlines& operator=(const RequestDeadlines&) = delete;

    // A new connection on socket fd, its first request's clock running. The socket is held
    // (duplicated) until Remove, so cutting it never touches a reused descriptor number.
    Connection* Add(int fd);
    // The request is in (head and body): its answer is not timed here.
    void Received(Connection* connection);
    // The answer went out; the clock runs again for the next request on the connection.
    void Answered(Connection* connection);
    void Remove(Connection* connection);

private:
    void Sweep();

    const std::chrono::milliseconds limit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::unordered_set<Connection*> connections_;
    std::thread sweeper_;
};

}  // namespace qvx::server
