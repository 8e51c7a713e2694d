#pragma once
// A deadline for each connection's current request, enforced from a thread of its own. The HTTP
// library only times out silence, so a client that sends one byte a second would keep a
// connection for hours; this cuts such a connection once its request has taken too long. And
// when connections near the service's limit, the oldest of those waiting for a request are cut
// first, so that a crowd of idle clients cannot lock new ones out.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace qvx::server {

class RequestDeadlines {
public:
    using Clock = std::chrono::steady_clock;
    struct Connection;

    // capacity: the most connections the service takes. onCut hears each connection cut (it
    // runs with the sweeper's lock held, so it must be quick).
    RequestDeadlines(std::chrono::milliseconds limit, std::size_t capacity,
                     std::function<void()> onCut = {});
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
    const std::size_t highWater_;
    std::function<void()> onCut_;
    std::size_t cut_ = 0;  // cut, not yet removed
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::unordered_set<Connection*> connections_;
    std::thread sweeper_;
};

}  // namespace qvx::server
