#include "server/usage_request.h"

#include <gtest/gtest.h>

namespace qvx::server {
namespace {

TEST(UsageRequest, ValidationTable) {
    const std::string longest(kMaxMacTextLength, 'A');
    const struct {
        std::optional<std::string> mac;
        std::optional<std::string> device;
        std::optional<std::string> stored;  // nullopt: rejected
    } cases[] = {
        {"00-1A-2B-3C-4D-5E", "pc", "00-1A-2B-3C-4D-5E"},
        {"00-1A-2B-3C-4D-5E 52-54-00-12-34-56", "pc", "00-1A-2B-3C-4D-5E 52-54-00-12-34-56"},
        {" 00-1A ", "pc", "00-1A"},
        {longest, "pc", longest},
        {longest + "A", "pc", std::nullopt},
        {std::nullopt, "pc", std::nullopt},
        {"", "pc", std::nullopt},
        {"   ", "pc", std::nullopt},
        {"00-1A", std::nullopt, std::nullopt},
        {"00-1A", "mac", std::nullopt},
        {"00-1A", "PC", std::nullopt},
        {std::string("00\n1A"), "pc", std::nullopt},
        {"00-1A\xE4", "pc", std::nullopt},
    };
    for (const auto& c : cases) {
        const UsageCheck check = CheckUsageReport(c.mac, c.device);
        const std::string label = c.mac ? c.mac->substr(0, 40) : "(none)";
        if (c.stored) {
            ASSERT_TRUE(check.report) << label << ": " << check.error;
            EXPECT_EQ(check.report->macText, *c.stored);
            EXPECT_EQ(check.report->deviceType, "pc");
        } else {
            EXPECT_FALSE(check.report) << label;
            EXPECT_FALSE(check.error.empty()) << label;
        }
    }
}

}  // namespace
}  // namespace qvx::server
