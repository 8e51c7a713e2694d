#include "server/proxy_acceptor.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "server/proxy_header.h"

namespace qvx::server {

namespace {

// The longest version 1 header, CR LF included.
constexpr std::size_t kHeaderBytes = 107;

struct Pending {
    int fd;
    std::chrono::steady_clock::time_point deadline;
    sockaddr_storage peer;
    socklen_t peerLength;
};

// The client the header names, or the peer itself for "PROXY UNKNOWN" (a balancer's own
// health check).
socklen_t ClientAddress(const ProxyHeader& header, const Pending& pending,
                        sockaddr_storage* client) {
    if (header.clientAddress.empty()) {
        *client = pending.peer;
        return pending.peerLength;
    }
    *client = {};
    auto* v4 = reinterpret_cast<sockaddr_in*>(client);
    if (inet_pton(AF_INET, header.clientAddress.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(header.clientPort));
        return sizeof(sockaddr_in);
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(client);
    if (inet_pton(AF_INET6, header.clientAddress.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(header.clientPort));
        return sizeof(sockaddr_in6);
    }
    return 0;
}

enum class Step { kWait, kDone, kDrop };

// Reads the header off the socket once all of it has arrived; the request behind it stays
// unread for the HTTP side.
Step ReadHeader(Pending& pending, const ProxyAcceptor::HandOver& handOver) {
    char buffer[kHeaderBytes];
    const ssize_t peeked = recv(pending.fd, buffer, sizeof(buffer), MSG_PEEK);
    if (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return Step::kWait;
    }
    if (peeked <= 0) {
        return Step::kDrop;
    }
    const ProxyHeader header =
        ParseProxyHeader(std::string_view(buffer, static_cast<std::size_t>(peeked)));
    if (header.status == ProxyHeader::Status::kIncomplete) {
        return Step::kWait;
    }
    sockaddr_storage client{};
    socklen_t clientLength = 0;
    if (header.status != ProxyHeader::Status::kComplete ||
        recv(pending.fd, buffer, header.length, 0) != static_cast<ssize_t>(header.length) ||
        (clientLength = ClientAddress(header, pending, &client)) == 0) {
        return Step::kDrop;
    }
    handOver(pending.fd, reinterpret_cast<const sockaddr*>(&client), clientLength);
    return Step::kDone;
}

}  // namespace

ProxyAcceptor::ProxyAcceptor(int listenFd, HandOver handOver, std::chrono::milliseconds headerWait,
                             std::size_t maxPending)
    : listenFd_(listenFd),
      handOver_(std::move(handOver)),
      headerWait_(headerWait),
      maxPending_(maxPending ? maxPending : 1) {
    // Accepting runs until the queue is empty, so it must never block.
    const int flags = fcntl(listenFd_, F_GETFL);
    if (flags < 0 || fcntl(listenFd_, F_SETFL, flags | O_NONBLOCK) != 0) {
        return;
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ >= 0) {
        thread_ = std::thread([this] { Run(); });
    }
}

ProxyAcceptor::~ProxyAcceptor() {
    if (wakeFd_ < 0) {
        return;
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof(one));
    thread_.join();
    close(wakeFd_);
}

void ProxyAcceptor::Run() {
    std::deque<Pending> pending;
    std::vector<pollfd> polled;
    while (true) {
        polled.assign({{wakeFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}});
        for (const Pending& p : pending) {
            polled.push_back({p.fd, POLLIN, 0});
        }
        // Wakes at least every 100 ms to close connections whose header is overdue.
        if (poll(polled.data(), polled.size(), 100) < 0 && errno != EINTR) {
            break;
        }
        if (polled[0].revents) {
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        std::deque<Pending> kept;
        for (std::size_t i = 0; i < pending.size(); ++i) {
            Pending& p = pending[i];
            Step step = Step::kWait;
            if (polled[i + 2].revents) {
                step = ReadHeader(p, handOver_);
            }
            if (step == Step::kWait && now >= p.deadline) {
                step = Step::kDrop;
            }
            if (step == Step::kDrop) {
                close(p.fd);
            }
            if (step == Step::kWait) {
                kept.push_back(p);
            }
        }
        pending.swap(kept);
        if (polled[1].revents) {
            while (true) {
                Pending p{};
                p.peerLength = sizeof(p.peer);
                p.fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&p.peer), &p.peerLength,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (p.fd < 0) {
                    break;
                }
                p.deadline = now + headerWait_;
                if (pending.size() >= maxPending_) {
                    close(pending.front().fd);
                    pending.pop_front();
                }
                pending.push_back(p);
            }
        }
    }
    for (const Pending& p : pending) {
        close(p.fd);
    }
}

}  // namespace qvx::server
