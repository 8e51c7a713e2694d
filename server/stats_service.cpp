#include "server/stats_service.h"

#include <fcntl.h>
#include <microhttpd.h>
#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "server/access_log.h"
#include "server/privacy.h"
#include "server/proxy_acceptor.h"
#include "server/request_deadlines.h"
#include "server/service_metrics.h"

namespace qvx::server {

namespace {

constexpr const char* kVersionPath = "/vmo.api/api/version/Versionpc";
constexpr const char* kUsagePath = "/vmo.api/api/user/addappUserinfo";
// A logged target is cut here: a report's is far shorter.
constexpr std::size_t kLoggedTarget = 4096;
// Pool per connection: the request head, its parsed form and the reply head. A head of
// kMaxRequestHead fits; the library answers 431 to one far larger, and RequestHeadSize
// finds the rest.
constexpr std::size_t kConnectionMemory = kMaxRequestHead + 8 * 1024;
// Event threads, each with its own epoll set and share of the connections: version checks keep
// pace with a static reply from nginx on two cores.
constexpr unsigned kEventThreads = 2;

std::string HeaderValue(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value ? value : "";
}

std::optional<std::string> QueryValue(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, name);
    if (!value) {
        return std::nullopt;
    }
    return std::string(value);
}

std::string ClientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    char text[NI_MAXHOST] = "";
    if (info && info->client_addr) {
        const socklen_t length =
            info->client_addr->sa_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
        getnameinfo(info->client_addr, length, text, sizeof(text), nullptr, 0, NI_NUMERICHOST);
    }
    return text;
}

MHD_Result AddHeaderSize(void* total, MHD_ValueKind, const char* key, const char* value) {
    // "Key: value" and its CR LF.
    *static_cast<std::size_t*>(total) += std::strlen(key) + (value ? std::strlen(value) : 0) + 4;
    return MHD_YES;
}

MHD_Result AddArgumentSize(void* total, MHD_ValueKind, const char* key, const char* value) {
    // "key=value" and its separator.
    *static_cast<std::size_t*>(total) += std::strlen(key) + (value ? std::strlen(value) : 0) + 2;
    return MHD_YES;
}

// The size of the request head as sent, near enough (blanks around values are not kept).
std::size_t RequestHeadSize(MHD_Connection* connection, const char* url, const char* method,
                            const char* version) {
    std::size_t total = std::strlen(method) + std::strlen(url) + std::strlen(version) + 4 + 2;
    MHD_get_connection_values(connection, MHD_HEADER_KIND, &AddHeaderSize, &total);
    MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, &AddArgumentSize, &total);
    return total;
}

// How the request says its body is framed.
struct Framing {
    int lengths = 0;      // Content-Length lines
    int codings = 0;      // Transfer-Encoding lines
    bool chunked = true;  // every coding named is exactly "chunked"
};

MHD_Result CountFraming(void* framing, MHD_ValueKind, const char* key, const char* value) {
    auto* f = static_cast<Framing*>(framing);
    if (strcasecmp(key, MHD_HTTP_HEADER_CONTENT_LENGTH) == 0) {
        ++f->lengths;
    } else if (strcasecmp(key, MHD_HTTP_HEADER_TRANSFER_ENCODING) == 0) {
        ++f->codings;
        f->chunked = f->chunked && value && strcasecmp(value, "chunked") == 0;
    }
    return MHD_YES;
}

// A usage report handed to the sink; its connection is suspended until the sink answers.
struct WaitingReport;

// What one request has shown so far, and what it was answered (for the access log).
struct RequestState {
    bool headSeen = false;
    std::size_t bodyBytes = 0;
    bool received = false;
    std::shared_ptr<WaitingReport> report;
    std::string method;
    std::string version;
    std::string target;  // as sent, when logging
    // The target's length up to its first NUL, and whether its decoded form holds one ("%00").
    std::size_t rawLength = 0;
    bool nulInTarget = false;
    unsigned status = 0;
    std::uint64_t bytes = 0;
    ServiceMetrics::Endpoint endpoint = ServiceMetrics::Endpoint::kOther;
    std::chrono::steady_clock::time_point reportArrived;
};

ServiceMetrics::Endpoint EndpointOf(const char* url, const char* method) {
    const bool post = std::strcmp(method, MHD_HTTP_METHOD_POST) == 0;
    if (post && std::strcmp(url, kVersionPath) == 0) {
        return ServiceMetrics::Endpoint::kVersion;
    }
    if (post && std::strcmp(url, kUsagePath) == 0) {
        return ServiceMetrics::Endpoint::kReport;
    }
    if (std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 ||
        std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0) {
        return ServiceMetrics::Endpoint::kFile;
    }
    return ServiceMetrics::Endpoint::kOther;
}

MHD_Result Reply(MHD_Connection* connection, RequestState& state, unsigned status,
                 const std::string& text, bool close = false) {
    MHD_Response* response = MHD_create_response_from_buffer(
        text.size(), const_cast<char*>(text.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain");
    if (close) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    }
    const MHD_Result queued = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    state.status = status;
    state.bytes = text.size();
    return queued;
}

std::string MimeTypeOf(const std::filesystem::path& file) {
    const std::string ext = file.extension().string();
    if (ext == ".ini" || ext == ".txt") {
        return "text/plain";
    }
    return "application/octet-stream";
}

// Each connection may hold a whole request head (about 20 KiB with its pool), so this many keep
// the service under 64 MiB at worst; more than enough for requests that last
// milliseconds, with the oldest idle ones making room (see RequestDeadlines).
constexpr unsigned kDefaultMaxConnections = 2000;

// How the descriptors the process may open are shared out.
struct DescriptorBudget {
    unsigned connections;  // each holds two (see RequestDeadlines)
    unsigned pending;      // behind a balancer: sockets still waiting for their PROXY header
};

// At most kDefaultMaxConnections, within the descriptors the process may open less some kept
// for the database and files. Behind a balancer the acceptor's waiting sockets hold one each,
// so they get a share of their own.
DescriptorBudget BudgetFor(unsigned configured, bool proxied) {
    rlimit limit{};
    unsigned usable = 0;  // 0: no limit to share
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        usable = static_cast<unsigned>(
            limit.rlim_cur > 128 ? std::min<rlim_t>(limit.rlim_cur - 64, 1u << 30) : 32);
    }
    const unsigned shares = proxied ? 3 : 2;
    unsigned connections = configured ? configured : kDefaultMaxConnections;
    if (!configured && usable) {
        connections = std::min(connections, usable / shares);
    }
    unsigned pending = connections;
    if (proxied && usable) {
        pending = std::max(1u, std::min(pending, usable - std::min(usable, 2 * connections)));
    }
    return {std::max(connections, 1u), pending};
}

// Behind a balancer the library is told of far more room than the acceptor ever fills: each of
// its event threads refuses by its own count, and refusing a connection added from outside
// deadlocks the library (0.9.75). So it is never asked to refuse; the acceptor closes the
// surplus instead.
unsigned LibraryLimit(unsigned connections, bool proxied) {
    return proxied ? connections * kEventThreads + 64 : connections;
}

struct WaitingReport {
    MHD_Connection* connection;
    bool suspended = false;
    bool finished = false;
    bool committed = false;
};

// The reports with the sink, shared with the sink's callbacks (which may outlive the service).
struct ReportWaits {
    std::mutex mutex;
    std::condition_variable changed;
    std::unordered_set<std::shared_ptr<WaitingReport>> open;
    int unanswered = 0;     // finished, their reply not yet sent
    int resuming = 0;       // finished, their connection not yet handed back to the library
    bool stopping = false;  // no more reports are taken

    void Finish(const std::shared_ptr<WaitingReport>& report, bool committed) {
        {
            std::lock_guard lock(mutex);
            if (report->finished) {
                return;
            }
            report->finished = true;
            report->committed = committed;
            ++unanswered;
            ++resuming;
            open.erase(report);
        }
        // Outside the lock: the library takes locks of its own here, and its threads call
        // back into code that takes this one.
        MHD_resume_connection(report->connection);
        {
            std::lock_guard lock(mutex);
            --resuming;
        }
        changed.notify_all();
    }
};

}  // namespace

struct StatsService::Impl {
    ServiceConfig config;
    ReportSink& sink;
    std::function<std::int64_t()> now;
    int listenFd = -1;
    int port = 0;
    std::shared_ptr<ReportWaits> waits = std::make_shared<ReportWaits>();
    std::mutex stopMutex;
    std::condition_variable stopChanged;
    bool stopRequested = false;
    AccessLog* accessLog = nullptr;
    ServiceMetrics* metrics = nullptr;
    mutable std::mutex offerMutex;
    std::string offered;

    Impl(ServiceConfig c, ReportSink& s, std::function<std::int64_t()> n)
        : config(std::move(c)), sink(s), now(std::move(n)), offered(config.newestVersion) {}

    std::string Offered() const {
        std::lock_guard lock(offerMutex);
        return offered;
    }
    ~Impl() {
        if (listenFd >= 0) {
            close(listenFd);
        }
    }

    static MHD_Result OnRequest(void* self, MHD_Connection* connection, const char* url,
                                const char* method, const char* version, const char*,
                                size_t* uploadSize, void** requestContext) {
        return static_cast<Impl*>(self)->Handle(connection, url, method, version, uploadSize,
                                                requestContext);
    }

    // The request line is in: its state starts here, the target kept as sent for the log.
    static void* OnRequestStart(void* self, const char* uri, MHD_Connection*) {
        auto* state = new RequestState;
        state->rawLength = std::strlen(uri);
        // The library decodes the target in place, so a "%00" would cut it short unseen.
        const std::string_view raw(uri, state->rawLength);
        state->nulInTarget = raw.find("%00") != std::string_view::npos;
        if (static_cast<Impl*>(self)->accessLog) {
            state->target.assign(uri, std::min(state->rawLength, kLoggedTarget));
        }
        return state;
    }

    // A raw NUL in the target: the library hands the target and the version over as pointers
    // into the request line it split in place, so a target whose line runs past its first NUL
    // spans more bytes than its text. The bytes after the NUL go to the log as they stand.
    static bool RawNulInTarget(RequestState& state, const char* url, const char* version) {
        if (version <= url || static_cast<std::size_t>(version - url) > kMaxRequestHead) {
            return false;
        }
        const auto span = static_cast<std::size_t>(version - url) - 1;
        if (span <= state.rawLength) {
            return false;
        }
        if (state.target.size() == state.rawLength) {
            state.target.append(url + state.rawLength,
                                std::min(span, kLoggedTarget) - std::min(span, state.rawLength));
        }
        return true;
    }

    // The reply is sent (or the connection is gone).
    static void OnRequestEnd(void* self, MHD_Connection* connection, void** requestContext,
                             MHD_RequestTerminationCode) {
        auto* impl = static_cast<Impl*>(self);
        std::unique_ptr<RequestState> state(static_cast<RequestState*>(*requestContext));
        *requestContext = nullptr;
        if (state && state->report) {
            std::lock_guard lock(impl->waits->mutex);
            if (state->report->finished) {
                --impl->waits->unanswered;
                impl->waits->changed.notify_all();
            }
        }
        if (state && state->headSeen && impl->metrics) {
            impl->metrics->Request(state->endpoint, state->status);
        }
        if (state && impl->accessLog) {
            // No MAC text, and the client's network only, unless addresses are kept.
            const std::string client = impl->config.keepClientAddress
                                           ? ClientAddress(connection)
                                           : CutClientAddress(ClientAddress(connection));
            impl->accessLog->Write(CommonLogLine(client, std::time(nullptr), state->method,
                                                 HideMacText(state->target), state->version,
                                                 state->status, state->bytes));
        }
        if (auto* clock = ClockOf(connection)) {
            impl->deadlines->Answered(clock);
        }
    }

    RequestDeadlines* deadlines = nullptr;  // while serving
    // Behind a balancer: connections handed to the library and not yet closed by it.
    std::atomic<int> handedOver{0};
    static RequestDeadlines::Connection* ClockOf(MHD_Connection* connection) {
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
        return info ? static_cast<RequestDeadlines::Connection*>(info->socket_context) : nullptr;
    }

    static void OnConnection(void* self, MHD_Connection* connection, void** socketContext,
                             MHD_ConnectionNotificationCode code) {
        auto* impl = static_cast<Impl*>(self);
        if (code == MHD_CONNECTION_NOTIFY_CLOSED && impl->config.proxyProtocol) {
            impl->handedOver.fetch_sub(1);
        }
        if (impl->metrics) {
            if (code == MHD_CONNECTION_NOTIFY_STARTED) {
                impl->metrics->ConnectionOpened();
            } else {
                impl->metrics->ConnectionClosed();
            }
        }
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            *socketContext = info ? impl->deadlines->Add(info->connect_fd) : nullptr;
        } else if (*socketContext) {
            impl->deadlines->Remove(static_cast<RequestDeadlines::Connection*>(*socketContext));
            *socketContext = nullptr;
        }
    }

    MHD_Result Handle(MHD_Connection* connection, const char* url, const char* method,
                      const char* version, size_t* uploadSize, void** requestContext) {
        auto* state = static_cast<RequestState*>(*requestContext);
        if (!state) {
            return MHD_NO;
        }
        if (!state->headSeen) {
            // The head is in. Refuse one too long, and a declared body that is too large
            // before reading it.
            state->headSeen = true;
            state->method = method;
            state->version = version;
            state->endpoint = EndpointOf(url, method);
            if (state->nulInTarget || RawNulInTarget(*state, url, version)) {
                return Reply(connection, *state, MHD_HTTP_BAD_REQUEST, "bad request target", true);
            }
            if (RequestHeadSize(connection, url, method, version) > kMaxRequestHead) {
                return Reply(connection, *state, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE,
                             "request head too large", true);
            }
            // Only one way to frame a body is read: a proxy in front and this service must
            // never disagree about where a request ends.
            Framing framing;
            MHD_get_connection_values(connection, MHD_HEADER_KIND, &CountFraming, &framing);
            if (framing.codings > 0 && (framing.codings > 1 || !framing.chunked)) {
                return Reply(connection, *state, MHD_HTTP_NOT_IMPLEMENTED,
                             "transfer coding not supported", true);
            }
            if (framing.lengths > 1 || (framing.lengths == 1 && framing.codings == 1)) {
                return Reply(connection, *state, MHD_HTTP_BAD_REQUEST, "ambiguous body length",
                             true);
            }
            const std::string length = HeaderValue(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
            if (!length.empty() && (length.size() > 12 ||
                                    std::strtoull(length.c_str(), nullptr, 10) > kMaxRequestBody)) {
                return Reply(connection, *state, MHD_HTTP_CONTENT_TOO_LARGE,
                             "request body too large", true);
            }
            return MHD_YES;
        }
        if (*uploadSize > 0) {
            // Whatever the framing or coding, the body is counted as it arrives and dropped:
            // no request here takes one, and none is ever decoded.
            // A body without a declared length is read to its end (within the request's
            // time) and only then refused: the library cannot answer in the middle of it.
            state->bodyBytes += *uploadSize;
            *uploadSize = 0;
            return MHD_YES;
        }
        if (state->bodyBytes > kMaxRequestBody) {
            return Reply(connection, *state, MHD_HTTP_CONTENT_TOO_LARGE, "request body too large",
                         true);
        }
        if (!state->received) {
            state->received = true;
            if (auto* clock = ClockOf(connection)) {
                deadlines->Received(clock);
            }
        }
        if (state->report) {
            return AnswerReport(connection, *state);
        }
        const bool post = std::strcmp(method, MHD_HTTP_METHOD_POST) == 0;
        if (post && std::strcmp(url, kVersionPath) == 0) {
            if (metrics) {
                metrics->VersionCheck(now());
            }
            return Reply(connection, *state, MHD_HTTP_OK, Offered());
        }
        if (post && std::strcmp(url, kUsagePath) == 0) {
            return TakeReport(connection, *state);
        }
        if (std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 ||
            std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0) {
            return ServeFile(connection, *state, url,
                             std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0);
        }
        return Reply(connection, *state, MHD_HTTP_NOT_FOUND, "not found");
    }

    MHD_Result TakeReport(MHD_Connection* connection, RequestState& state) {
        UsageCheck check = CheckUsageReport(QueryValue(connection, "MAC_in"),
                                            QueryValue(connection, "devicetype"));
        if (!check.report) {
            return Reply(connection, state, MHD_HTTP_BAD_REQUEST, "bad request: " + check.error);
        }
        auto report = std::make_shared<WaitingReport>(WaitingReport{connection});
        {
            std::lock_guard lock(waits->mutex);
            if (waits->stopping) {
                return Reply(connection, state, MHD_HTTP_SERVICE_UNAVAILABLE, "stopping");
            }
            waits->open.insert(report);
        }
        state.report = report;
        state.reportArrived = std::chrono::steady_clock::now();
        // Suspended before the hand-over: the sink may answer at once, from any thread.
        MHD_suspend_connection(connection);
        {
            std::lock_guard lock(waits->mutex);
            report->suspended = true;
        }
        waits->changed.notify_all();
        sink.Submit(std::move(*check.report), ClientAddress(connection), now(),
                    [waits = waits, report = state.report](bool committed) {
                        waits->Finish(report, committed);
                    });
        return MHD_YES;
    }

    MHD_Result AnswerReport(MHD_Connection* connection, RequestState& state) {
        bool committed;
        {
            std::lock_guard lock(waits->mutex);
            committed = state.report->committed;
        }
        if (metrics) {
            metrics->ReportAnswered(committed,
                                    std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                                                  state.reportArrived)
                                        .count());
        }
        // "1" only once the report is committed: the program then never sends it again.
        if (!committed) {
            return Reply(connection, state, MHD_HTTP_INTERNAL_SERVER_ERROR, "not stored");
        }
        return Reply(connection, state, MHD_HTTP_OK, "1");
    }

    MHD_Result ServeFile(MHD_Connection* connection, RequestState& state, const char* url,
                         bool headOnly) {
        std::optional<std::filesystem::path> file;
        if (!config.updateFolder.empty()) {
            file = ResolveUpdateFile(config.updateFolder, url, config.databasePath);
        }
        if (!file) {
            return Reply(connection, state, MHD_HTTP_NOT_FOUND, "not found");
        }
        const int fd = open(file->c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (fd < 0 || fstat(fd, &info) != 0) {
            if (fd >= 0) {
                close(fd);
            }
            return Reply(connection, state, MHD_HTTP_INTERNAL_SERVER_ERROR, "unreadable");
        }
        const auto size = static_cast<std::uint64_t>(info.st_size);
        const RangeChoice range = ChooseRange(HeaderValue(connection, MHD_HTTP_HEADER_RANGE), size);
        if (range.kind == RangeChoice::kUnsatisfiable) {
            close(fd);
            MHD_Response* response =
                MHD_create_response_from_buffer(0, nullptr, MHD_RESPMEM_PERSISTENT);
            if (!response) {
                return MHD_NO;
            }
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE,
                                    ("bytes */" + std::to_string(size)).c_str());
            const MHD_Result queued =
                MHD_queue_response(connection, MHD_HTTP_RANGE_NOT_SATISFIABLE, response);
            MHD_destroy_response(response);
            state.status = MHD_HTTP_RANGE_NOT_SATISFIABLE;
            return queued;
        }
        const bool part = range.kind == RangeChoice::kPart;
        const std::uint64_t first = part ? range.first : 0;
        const std::uint64_t length = part ? range.length : size;
        // Sent from the file as the socket takes it (the library owns fd from here).
        MHD_Response* response = MHD_create_response_from_fd_at_offset64(length, fd, first);
        if (!response) {
            close(fd);
            return MHD_NO;
        }
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, MimeTypeOf(*file).c_str());
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-cache");
        MHD_add_response_header(response, MHD_HTTP_HEADER_ACCEPT_RANGES, "bytes");
        if (part) {
            const std::string contentRange = "bytes " + std::to_string(first) + "-" +
                                             std::to_string(first + length - 1) + "/" +
                                             std::to_string(size);
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, contentRange.c_str());
        }
        state.status = part ? MHD_HTTP_PARTIAL_CONTENT : MHD_HTTP_OK;
        state.bytes = headOnly ? 0 : length;
        const MHD_Result queued = MHD_queue_response(connection, state.status, response);
        MHD_destroy_response(response);
        return queued;
    }
};

StatsService::StatsService(ServiceConfig config, ReportSink& sink,
                           std::function<std::int64_t()> now)
    : impl_(std::make_unique<Impl>(std::move(config), sink, std::move(now))) {}

StatsService::~StatsService() = default;

int StatsService::Port() const {
    return impl_->port;
}

bool StatsService::Bind() {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(impl_->config.port);
    if (getaddrinfo(impl_->config.bindAddress.c_str(), port.c_str(), &hints, &found) != 0) {
        return false;
    }
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    const int fd = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    // Address reuse only: a second copy on the same port must fail to start instead of
    // sharing the port.
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    if (bind(fd, found->ai_addr, found->ai_addrlen) != 0 || listen(fd, 1024) != 0) {
        close(fd);
        return false;
    }
    sockaddr_storage bound{};
    socklen_t length = sizeof(bound);
    getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
    char portText[NI_MAXSERV] = "";
    getnameinfo(reinterpret_cast<sockaddr*>(&bound), length, nullptr, 0, portText, sizeof(portText),
                NI_NUMERICSERV);
    impl_->listenFd = fd;
    impl_->port = std::atoi(portText);
    return true;
}

bool StatsService::Serve() {
    Impl& impl = *impl_;
    if (impl.listenFd < 0) {
        return false;
    }
    // Behind a balancer the connections are accepted here, past their PROXY header, and handed
    // to the library; otherwise the library accepts them itself.
    const bool proxied = impl.config.proxyProtocol;
    std::optional<TrustedPeers> trusted;
    if (proxied && !(trusted = TrustedPeers::Parse(impl.config.proxyFrom))) {
        return false;
    }
    const DescriptorBudget budget = BudgetFor(impl.config.maxConnections, proxied);
    const unsigned limit = budget.connections;
    RequestDeadlines deadlines(std::chrono::seconds(impl.config.requestSeconds), limit,
                               [metrics = impl.metrics] {
                                   if (metrics) {
                                       metrics->ConnectionCut();
                                   }
                               });
    impl.deadlines = &deadlines;
    impl.handedOver = 0;
    // The library takes the listening socket unless connections come past a PROXY header.
    const MHD_OptionItem listenOption =
        proxied ? MHD_OptionItem{MHD_OPTION_END, 0, nullptr}
                : MHD_OptionItem{MHD_OPTION_LISTEN_SOCKET, impl.listenFd, nullptr};
    const MHD_OptionItem options[] = {listenOption, {MHD_OPTION_END, 0, nullptr}};
    MHD_Daemon* daemon = MHD_start_daemon(
        MHD_USE_EPOLL_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME |
            (proxied ? MHD_USE_NO_LISTEN_SOCKET | MHD_USE_ITC : 0),
        0, nullptr, nullptr, &Impl::OnRequest, &impl, MHD_OPTION_CONNECTION_LIMIT,
        LibraryLimit(limit, proxied), MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned>(impl.config.idleSeconds), MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        kConnectionMemory, MHD_OPTION_NOTIFY_COMPLETED, &Impl::OnRequestEnd, &impl,
        MHD_OPTION_NOTIFY_CONNECTION, &Impl::OnConnection, &impl, MHD_OPTION_URI_LOG_CALLBACK,
        &Impl::OnRequestStart, &impl, MHD_OPTION_THREAD_POOL_SIZE, kEventThreads, MHD_OPTION_ARRAY,
        options, MHD_OPTION_END);
    if (!daemon) {
        impl.deadlines = nullptr;
        return false;
    }
    std::optional<ProxyAcceptor> acceptor;
    if (proxied) {
        acceptor.emplace(
            impl.listenFd,
            [daemon, &impl, limit](int fd, const sockaddr* client, socklen_t length) {
                // Full: closed here, never refused by the library (see LibraryLimit).
                if (impl.handedOver.load() >= static_cast<int>(limit)) {
                    close(fd);
                    if (impl.metrics) {
                        impl.metrics->ConnectionCut();
                    }
                    return;
                }
                impl.handedOver.fetch_add(1);
                if (MHD_add_connection(daemon, fd, client, length) != MHD_YES) {
                    impl.handedOver.fetch_sub(1);  // the library has closed the socket
                }
            },
            std::chrono::seconds(impl.config.idleSeconds), budget.pending, std::move(*trusted));
        if (!acceptor->Running()) {
            MHD_stop_daemon(daemon);
            impl.deadlines = nullptr;
            return false;
        }
    }
    {
        std::unique_lock lock(impl.stopMutex);
        impl.stopChanged.wait(lock, [&] { return impl.stopRequested; });
    }
    // No new connections.
    if (acceptor) {
        acceptor.reset();
        close(impl.listenFd);
    } else if (const MHD_socket listening = MHD_quiesce_daemon(daemon);
               listening != MHD_INVALID_SOCKET) {
        close(listening);
    }
    impl.listenFd = -1;
    {
        // Reports already with the sink are committed (or refused) and answered first; a sink
        // that does not answer in time gets its reports refused here.
        std::unique_lock lock(impl.waits->mutex);
        impl.waits->stopping = true;
        impl.waits->changed.wait_for(lock, impl.config.stopWaitForReports,
                                     [&] { return impl.waits->open.empty(); });
        // Each one left is suspended (its hand-over done) before it is resumed here.
        impl.waits->changed.wait(lock, [&] {
            return std::all_of(impl.waits->open.begin(), impl.waits->open.end(),
                               [](const auto& report) { return report->suspended; });
        });
        for (const auto& report : std::vector(impl.waits->open.begin(), impl.waits->open.end())) {
            lock.unlock();
            impl.waits->Finish(report, false);
            lock.lock();
        }
        // A connection is never left suspended for the library to find at its stop.
        impl.waits->changed.wait(lock, [&] { return impl.waits->resuming == 0; });
        impl.waits->changed.wait_for(lock, std::chrono::milliseconds(300),
                                     [&] { return impl.waits->unanswered <= 0; });
    }
    MHD_stop_daemon(daemon);
    impl.deadlines = nullptr;
    return true;
}

void StatsService::SetAccessLog(AccessLog* log) {
    impl_->accessLog = log;
}

void StatsService::SetMetrics(ServiceMetrics* metrics) {
    impl_->metrics = metrics;
    if (metrics) {
        metrics->SetOfferedVersion(impl_->Offered());
    }
}

void StatsService::SetOfferedVersion(const std::string& version) {
    {
        std::lock_guard lock(impl_->offerMutex);
        impl_->offered = version;
    }
    if (impl_->metrics) {
        impl_->metrics->SetOfferedVersion(version);
    }
}

std::string StatsService::OfferedVersion() const {
    return impl_->Offered();
}

void StatsService::Stop() {
    {
        std::lock_guard lock(impl_->stopMutex);
        impl_->stopRequested = true;
    }
    impl_->stopChanged.notify_all();
}

}  // namespace qvx::server
