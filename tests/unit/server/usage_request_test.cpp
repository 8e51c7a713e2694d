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

TEST(UsageRequest, BlanksInsideTheTargetAreEscapedOnly) {
    const struct {
        const char* line;
        const char* escaped;
    } cases[] = {
        {"POST /a?MAC_in=00-1A 00-1B&devicetype=pc HTTP/1.1",
         "POST /a?MAC_in=00-1A%2000-1B&devicetype=pc HTTP/1.1"},
        {"POST /a?MAC_in=A B C&devicetype=pc HTTP/1.1",
         "POST /a?MAC_in=A%20B%20C&devicetype=pc HTTP/1.1"},
        {"POST /vmo.api/api/version/Versionpc HTTP/1.1",
         "POST /vmo.api/api/version/Versionpc HTTP/1.1"},
        {"GARBAGE", "GARBAGE"},
        {"POST /a b c", "POST /a b c"},  // no version: left for the parser to refuse
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EscapeBlanksInRequestTarget(c.line), c.escaped);
    }
}

TEST(UsageRequest, HeadWithoutALengthGetsAnEmptyBody) {
    EXPECT_EQ(NormaliseRequestHead("POST /v?a=1 2 HTTP/1.1\r\nHost: x\r\n\r\n"),
              "POST /v?a=1%202 HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\n\r\n");
    const std::string withLength = "POST /v HTTP/1.1\r\ncontent-length: 3\r\n\r\n";
    EXPECT_EQ(NormaliseRequestHead(withLength), withLength);
    const std::string chunked = "POST /v HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n";
    EXPECT_EQ(NormaliseRequestHead(chunked), chunked);
}

}  // namespace
}  // namespace qvx::server
