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
// A failed accept (out of descriptors, say) leaves the listening socket readable: accepting
// pauses this long instead of trying again at once.
constexpr std::chrono::milliseconds kAcceptPause{100};

struct Pending {
    int fd;
    std::chrono::steady_clock::time_point deadline;
    sockaddr_storage peer;
    socklen_t peerLength;
    std::size_t length = 0;  // header bytes read so far
    char header[kHeaderBytes];
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

// Takes what has arrived of the header off the socket, so the socket is ready again only when
// more comes; the header ends at its first LF, and nothing after it is read, so the request
// behind it stays for the HTTP side.
Step ReadHeader(Pending& pending, const ProxyAcceptor::HandOver& handOver) {
    char* const free = pending.header + pending.length;
    const std::size_t room = kHeaderBytes - pending.length;
    const ssize_t peeked = recv(pending.fd, free, room, MSG_PEEK);
    if (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return Step::kWait;
    }
    if (peeked <= 0) {
        return Step::kDrop;
    }
    const std::string_view arrived(free, static_cast<std::size_t>(peeked));
    const std::size_t lineEnd = arrived.find('\n');
    const std::size_t take = lineEnd == std::string_view::npos ? arrived.size() : lineEnd + 1;
    if (recv(pending.fd, free, take, 0) != static_cast<ssize_t>(take)) {
        return Step::kDrop;
    }
    pending.length += take;
    const ProxyHeader header = ParseProxyHeader(std::string_view(pending.header, pending.length));
    if (header.status == ProxyHeader::Status::kIncomplete && lineEnd == std::string_view::npos &&
        pending.length < kHeaderBytes) {
        return Step::kWait;
    }
    sockaddr_storage client{};
    socklen_t clientLength = 0;
    if (header.status != ProxyHeader::Status::kComplete || header.length != pending.length ||
        (clientLength = ClientAddress(header, pending, &client)) == 0) {
        return Step::kDrop;
    }
    handOver(pending.fd, reinterpret_cast<const sockaddr*>(&client), clientLength);
    return Step::kDone;
}

}  // namespace

ProxyAcceptor::ProxyAcceptor(int listenFd, HandOver handOver, std::chrono::milliseconds headerWait,
                             std::size_t maxPending, TrustedPeers trusted)
    : listenFd_(listenFd),
      handOver_(std::move(handOver)),
      headerWait_(headerWait),
      maxPending_(maxPending ? maxPending : 1),
      trusted_(std::move(trusted)) {
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
    auto acceptPausedUntil = std::chrono::steady_clock::time_point::min();
    while (true) {
        const auto before = std::chrono::steady_clock::now();
        const bool accepting = before >= acceptPausedUntil;
        // A paused listening socket is left out (fd -1), so a full descriptor table never spins.
        polled.assign({{wakeFd_, POLLIN, 0}, {accepting ? listenFd_ : -1, POLLIN, 0}});
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
                kept.push_back(std::move(p));
            }
        }
        pending.swap(kept);
        if (accepting && polled[1].revents) {
            while (true) {
                Pending p{};
                p.peerLength = sizeof(p.peer);
                p.fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&p.peer), &p.peerLength,
                               SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (p.fd < 0) {
                    if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR &&
                        errno != ECONNABORTED) {
                        acceptPausedUntil = now + kAcceptPause;
                    }
                    break;
                }
                // Only a balancer may name the client; anyone else is closed at once.
                if (!trusted_.Contains(reinterpret_cast<const sockaddr*>(&p.peer))) {
                    close(p.fd);
                    continue;
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
