#include "server/service_metrics.h"

#include <cstdio>

namespace qvx::server {

namespace {

const char* EndpointName(ServiceMetrics::Endpoint endpoint) {
    switch (endpoint) {
        case ServiceMetrics::Endpoint::kVersion:
            return "version";
        case ServiceMetrics::Endpoint::kReport:
            return "report";
        case ServiceMetrics::Endpoint::kFile:
            return "file";
        case ServiceMetrics::Endpoint::kOther:
            break;
    }
    return "other";
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.15g", value);
    return text;
}

// A label value as the text format quotes it.
std::string LabelValue(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

void Head(std::string& out, const char* name, const char* type, const char* help) {
    out.append("# HELP ").append(name).append(" ").append(help).append("\n");
    out.append("# TYPE ").append(name).append(" ").append(type).append("\n");
}

void Sample(std::string& out, const char* name, const std::string& labels, double value) {
    out.append(name);
    if (!labels.empty()) {
        out.append("{").append(labels).append("}");
    }
    out.append(" ").append(Number(value)).append("\n");
}

}  // namespace

Histogram::Histogram(std::vector<double> bounds)
    : bounds_(std::move(bounds)), counts_(bounds_.size() + 1, 0) {}

void Histogram::Observe(double value) {
    std::size_t i = 0;
    while (i < bounds_.size() && value > bounds_[i]) {
        ++i;
    }
    std::lock_guard lock(mutex_);
    ++counts_[i];
    sum_ += value;
}

std::uint64_t Histogram::Count() const {
    std::lock_guard lock(mutex_);
    std::uint64_t total = 0;
    for (const std::uint64_t n : counts_) {
        total += n;
    }
    return total;
}

void Histogram::Write(std::string& out, const std::string& name) const {
    std::lock_guard lock(mutex_);
    std::uint64_t cumulative = 0;
    for (std::size_t i = 0; i <= bounds_.size(); ++i) {
        cumulative += counts_[i];
        std::string line = name;
        line.append("_bucket{le=\"").append(i < bounds_.size() ? Number(bounds_[i]) : "+Inf");
        line.append("\"} ").append(std::to_string(cumulative)).append("\n");
        out += line;
    }
    out.append(name).append("_sum ").append(Number(sum_)).append("\n");
    out.append(name).append("_count ").append(std::to_string(cumulative)).append("\n");
}

ServiceMetrics::ServiceMetrics()
    : reportSeconds_({0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5}),
      batchReports_({1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024}),
      commitSeconds_({0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5}) {}

void ServiceMetrics::Request(Endpoint endpoint, unsigned status) {
    std::lock_guard lock(mutex_);
    ++requests_[{endpoint, status}];
}

void ServiceMetrics::VersionCheck(std::int64_t unixSeconds) {
    versionChecks_.Add(unixSeconds);
}

void ServiceMetrics::ReportAnswered(bool stored, double seconds) {
    (stored ? accepted_ : refused_).fetch_add(1);
    reportSeconds_.Observe(seconds);
}

void ServiceMetrics::BatchDone(std::size_t reports, double seconds, bool committed) {
    batchReports_.Observe(static_cast<double>(reports));
    commitSeconds_.Observe(seconds);
    if (!committed) {
        storeErrors_.fetch_add(1);
    }
    // A commit proves the database answers; a failed one may be a lock as well as a loss.
    if (committed) {
        reachable_ = 1;
    }
}

void ServiceMetrics::ConnectionOpened() {
    open_.fetch_add(1);
}

void ServiceMetrics::ConnectionClosed() {
    open_.fetch_sub(1);
}

void ServiceMetrics::ConnectionCut() {
    cut_.fetch_add(1);
}

void ServiceMetrics::DatabaseReachable(bool reachable) {
    reachable_ = reachable ? 1 : 0;
}

void ServiceMetrics::SetOfferedVersion(const std::string& version) {
    std::lock_guard lock(mutex_);
    offered_ = version;
}

std::string ServiceMetrics::OfferedVersion() const {
    std::lock_guard lock(mutex_);
    return offered_;
}

std::string ServiceMetrics::Exposition() const {
    std::string out;
    Head(out, "quorvex_stats_requests_total", "counter",
         "Requests answered, by endpoint and status.");
    {
        std::lock_guard lock(mutex_);
        for (const auto& [key, n] : requests_) {
            std::string labels = "endpoint=\"";
            labels.append(EndpointName(key.first)).append("\",status=\"");
            labels.append(std::to_string(key.second)).append("\"");
            Sample(out, "quorvex_stats_requests_total", labels, static_cast<double>(n));
        }
    }
    Head(out, "quorvex_stats_reports_accepted_total", "counter",
         "Usage reports stored and answered 1.");
    Sample(out, "quorvex_stats_reports_accepted_total", "", static_cast<double>(accepted_.load()));
    Head(out, "quorvex_stats_reports_refused_total", "counter",
         "Usage reports that could not be stored.");
    Sample(out, "quorvex_stats_reports_refused_total", "", static_cast<double>(refused_.load()));
    Head(out, "quorvex_stats_report_duration_seconds", "histogram",
         "Time from a usage report's arrival to its answer.");
    reportSeconds_.Write(out, "quorvex_stats_report_duration_seconds");
    Head(out, "quorvex_stats_commit_batch_reports", "histogram",
         "Usage reports per store transaction.");
    batchReports_.Write(out, "quorvex_stats_commit_batch_reports");
    Head(out, "quorvex_stats_commit_duration_seconds", "histogram",
         "Time one store transaction took.");
    commitSeconds_.Write(out, "quorvex_stats_commit_duration_seconds");
    Head(out, "quorvex_stats_store_errors_total", "counter", "Store transactions that failed.");
    Sample(out, "quorvex_stats_store_errors_total", "", static_cast<double>(storeErrors_.load()));
    Head(out, "quorvex_stats_connections_open", "gauge", "Client connections open now.");
    Sample(out, "quorvex_stats_connections_open", "", static_cast<double>(open_.load()));
    Head(out, "quorvex_stats_connections_cut_total", "counter",
         "Client connections closed by the service: too slow, or room made for new ones.");
    Sample(out, "quorvex_stats_connections_cut_total", "", static_cast<double>(cut_.load()));
    Head(out, "quorvex_stats_database_up", "gauge",
         "1 when the database answered its last probe, else 0.");
    Sample(out, "quorvex_stats_database_up", "", reachable_.load() == 1 ? 1 : 0);
    Head(out, "quorvex_stats_version_offered", "gauge",
         "The version the version check answers, as a label; always 1.");
    std::string labels = "version=\"";
    labels.append(LabelValue(OfferedVersion())).append("\"");
    Sample(out, "quorvex_stats_version_offered", labels, 1);
    return out;
}

}  // namespace qvx::server
