#include "server/dashboard.h"

#include <gtest/gtest.h>

#include <regex>

#include "server/metrics_server.h"
#include "server/service_metrics.h"

namespace qvx::server {
namespace {

constexpr std::int64_t kNow = 1796774400 + 3600;  // 2026-12-09 01:00 UTC

std::string Between(const std::string& page, const std::string& id) {
    const std::regex pattern("id=\"" + id + "\">([^<]*)<");
    std::smatch match;
    return std::regex_search(page, match, pattern) ? match[1].str() : "(missing)";
}

TEST(Dashboard, HoldsEveryChartAndTheTotalsOfTheWindowAndNothingFetched) {
    DailyFigures figures;
    figures.pcsBefore = 40;
    figures.newPcs = {{"2026-09-01", "", 100},  // before the 90 days: not drawn
                      {"2026-11-01", "", 3},
                      {"2026-12-09", "", 2}};
    figures.versionChecks = {{"2026-12-08", "", 700}, {"2026-12-09", "", 55}};
    figures.reports = {{"2026-12-08", "pc", 20}, {"2026-12-09", "pc", 4}, {"2026-12-09", "<b>", 1}};
    const std::string page = RenderDashboard(figures, kNow);
    for (const char* chart :
         {"chart-total-pcs", "chart-new-pcs", "chart-version-checks", "chart-reports"}) {
        EXPECT_NE(page.find(std::string("<svg id=\"") + chart + "\""), std::string::npos) << chart;
    }
    EXPECT_EQ(Between(page, "total-pcs"), "45");
    EXPECT_EQ(Between(page, "new-pcs"), "5");
    EXPECT_EQ(Between(page, "version-checks"), "755");
    EXPECT_EQ(Between(page, "reports"), "25");
    EXPECT_NE(page.find("data-type=\"pc\">24<"), std::string::npos);
    EXPECT_NE(page.find("data-type=\"&lt;b&gt;\">1<"), std::string::npos);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_NE(page.find("2026-09-11 to 2026-12-09"), std::string::npos);
    for (const char* fetch : {"<script", "src=", "href=", "@import", "url("}) {
        EXPECT_EQ(page.find(fetch), std::string::npos) << fetch;
    }
    // Days without data draw no bar.
    EXPECT_EQ(RenderDashboard({}, kNow).find("<rect"), std::string::npos);
}

TEST(Metrics, TheTextFormatCountsWhatHappened) {
    ServiceMetrics metrics;
    for (int i = 0; i < 3; ++i) {
        metrics.Request(ServiceMetrics::Endpoint::kVersion, 200);
    }
    metrics.Request(ServiceMetrics::Endpoint::kFile, 404);
    metrics.ReportAnswered(true, 0.003);
    metrics.ReportAnswered(true, 0.02);
    metrics.ReportAnswered(false, 7);
    metrics.BatchDone(3, 0.004, true);
    metrics.BatchDone(1, 0.5, false);
    metrics.ConnectionOpened();
    metrics.ConnectionOpened();
    metrics.ConnectionClosed();
    metrics.ConnectionCut();
    metrics.DatabaseReachable(true);
    metrics.SetOfferedVersion("1.6\"x");
    const std::string text = metrics.Exposition();
    for (const char* line : {
             "quorvex_stats_requests_total{endpoint=\"version\",status=\"200\"} 3\n",
             "quorvex_stats_requests_total{endpoint=\"file\",status=\"404\"} 1\n",
             "quorvex_stats_reports_accepted_total 2\n",
             "quorvex_stats_reports_refused_total 1\n",
             "quorvex_stats_report_duration_seconds_bucket{le=\"0.0025\"} 0\n",
             "quorvex_stats_report_duration_seconds_bucket{le=\"0.005\"} 1\n",
             "quorvex_stats_report_duration_seconds_bucket{le=\"0.025\"} 2\n",
             "quorvex_stats_report_duration_seconds_bucket{le=\"5\"} 2\n",
             "quorvex_stats_report_duration_seconds_bucket{le=\"+Inf\"} 3\n",
             "quorvex_stats_report_duration_seconds_count 3\n",
             "quorvex_stats_commit_batch_reports_sum 4\n",
             "quorvex_stats_store_errors_total 1\n",
             "quorvex_stats_connections_open 1\n",
             "quorvex_stats_connections_cut_total 1\n",
             "quorvex_stats_database_up 1\n",
             "quorvex_stats_version_offered{version=\"1.6\\\"x\"} 1\n",
             "# TYPE quorvex_stats_report_duration_seconds histogram\n",
         }) {
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
    metrics.VersionCheck(kNow);
    metrics.VersionCheck(kNow + 86400);
    metrics.VersionCheck(kNow);
    const auto days = metrics.VersionChecksByDay().Take();
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0].day, "2026-12-09");
    EXPECT_EQ(days[0].count, 2);
    EXPECT_EQ(days[1].count, 1);
    EXPECT_TRUE(metrics.VersionChecksByDay().Take().empty());
    metrics.VersionChecksByDay().Return(days);
    EXPECT_EQ(metrics.VersionChecksByDay().Take().size(), 2u);
}

TEST(Metrics, TheOperatorsAddressIsHostAndPortWithIpv6InBrackets) {
    const struct {
        const char* text;
        bool ok;
        const char* host;
        int port;
    } cases[] = {
        {"127.0.0.1:9491", true, "127.0.0.1", 9491},
        {"[::1]:9491", true, "::1", 9491},
        {"::1:9491", false, "", 0},
        {"127.0.0.1", false, "", 0},
        {"127.0.0.1:", false, "", 0},
        {":9491", false, "", 0},
        {"127.0.0.1:70000", false, "", 0},
        {"127.0.0.1:9x", false, "", 0},
    };
    for (const auto& c : cases) {
        std::string host;
        int port = 0;
        EXPECT_EQ(SplitHostPort(c.text, &host, &port), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(port, c.port);
        }
    }
}

}  // namespace
}  // namespace qvx::server
