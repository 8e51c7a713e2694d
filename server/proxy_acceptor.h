#pragma once
// Behind a TCP balancer (nginx stream with proxy_protocol on) every connection starts with a
// PROXY header naming the client. The HTTP library cannot read it, so this thread accepts the
// connections itself, reads each header (never a byte more), and hands the socket on with the
// client's own address. A connection from a peer that is no trusted balancer, whose header is
// wrong, or that sends none in time, is closed unanswered.

#include <sys/socket.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <thread>

#include "server/proxy_header.h"

namespace qvx::server {

class ProxyAcceptor {
public:
    // Takes the socket and the client's address; owns the socket from then on.
    using HandOver = std::function<void(int fd, const sockaddr* client, socklen_t length)>;

    // listenFd stays the caller's. Connections still without a header after headerWait, and the
    // oldest beyond maxPending, are closed: maxPending is the most descriptors this thread holds.
    ProxyAcceptor(int listenFd, HandOver handOver, std::chrono::milliseconds headerWait,
                  std::size_t maxPending, TrustedPeers trusted);
    ~ProxyAcceptor();  // stops the thread and closes what it still holds
    ProxyAcceptor(const ProxyAcceptor&) = delete;
    ProxyAcceptor& operator=(const ProxyAcceptor&) = delete;

    bool Running() const { return wakeFd_ >= 0; }

private:
    void Run();

    int listenFd_;
    HandOver handOver_;
    std::chrono::milliseconds headerWait_;
    std::size_t maxPending_;
    TrustedPeers trusted_;
    int wakeFd_ = -1;
    std::thread thread_;
};

}  // namespace qvx::server
