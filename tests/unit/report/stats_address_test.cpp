#include "report/stats_address.h"

#include <gtest/gtest.h>

namespace qvx::report {
namespace {

struct VersionCase {
    const char* reply;
    bool numeric;
    bool newer;
};

TEST(NewerVersion, NumericReplyGreaterAsTextThanOwnVersion) {
    const VersionCase cases[] = {
        {"1.6", true, true},     {"2.0", true, true},
        {"1.5", true, false},    {"1.10", true, false},
        {"-1", true, false},     {"1.50", true, true},
        {"9", true, true},       {"10", true, true},
        {"1.", true, false},     {"abc", false, false},
        {"", false, false},      {"1.6a", false, false},
        {"v2.0", false, false},  {"<html>2.0</html>", false, false},
        {"1.6.1", false, false}, {".", false, false},
        {"2e1", true, true},     {"2e", false, false},
    };
    for (const VersionCase& c : cases) {
        EXPECT_EQ(IsNumeric(c.reply), c.numeric) << '"' << c.reply << '"';
        EXPECT_EQ(IsNewerVersion(c.reply), c.newer) << '"' << c.reply << '"';
    }
}

// The reply is trimmed of blanks, CR and LF before the comparison: a service answering "1.5\r\n"
// offers no update on every run, and " 1.6" is the newer version it means.
TEST(NewerVersion, BlanksCrAndLfAroundAReplyAreTrimmedBeforeTheComparison) {
    const VersionCase cases[] = {
        {"1.5\r\n", true, false},     {"1.5\n", true, false},  {" 1.5 ", true, false},
        {"\t1.5\t", true, false},     {"1.6\r\n", true, true}, {" 1.6", true, true},
        {"\r\n2.0 \r\n", true, true}, {"1.5 0", false, false}, {"\r\n", false, false},
    };
    for (const VersionCase& c : cases) {
        EXPECT_EQ(IsNumeric(c.reply), c.numeric) << '"' << c.reply << '"';
        EXPECT_EQ(IsNewerVersion(c.reply), c.newer) << '"' << c.reply << '"';
    }
}

TEST(StatsAddress, UsageUrlCarriesTheMacTextUnencoded) {
    EXPECT_EQ(UsageUrl(StatsBase("127.0.0.1"), "00-1A-2B-3C-4D-5E 00-1A-2B-3C-4D-5F"),
              "http://127.0.0.1:8091/vmo.api/api/user/addappUserinfo?MAC_in=00-1A-2B-3C-4D-5E "
              "00-1A-2B-3C-4D-5F&devicetype=pc");
    EXPECT_EQ(VersionUrl(StatsBase("stats.example.org")),
              "http://stats.example.org:8091/vmo.api/api/version/Versionpc");
}

TEST(StatsAddress, HostTextFallsBackToTheBuiltInHostWhenMissingOrUnusable) {
    const std::string fallback = std::string("http://") + kDefaultStatsHost + ":8091";
    const struct {
        const char* configured;
        std::string base;
    } cases[] = {
        {"", fallback},
        {"   ", fallback},
        {" 127.0.0.1 ", "http://127.0.0.1:8091"},
        {"my-host.lan", "http://my-host.lan:8091"},
        {"evil.com/x?", fallback},
        {"host:9999", fallback},
        {"user@host", fallback},
        {"http://host", fallback},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatsBase(c.configured), c.base) << '"' << c.configured << '"';
    }
}

}  // namespace
}  // namespace qvx::report
