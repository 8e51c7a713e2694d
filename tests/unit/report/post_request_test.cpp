#include "report/post_request.h"

#include <gtest/gtest.h>

#include "tests/fakes/report_fakes.h"

namespace qvx::report {
namespace {

using std::chrono::milliseconds;

TEST(PostRequest, ReplyTextComesBackUntrimmed) {
    fakes::FakeStatsService service;
    service.Answer("http://h:8091/v", " 1.6\r\n");
    EXPECT_EQ(PostRequest(service, "http://h:8091/v"), " 1.6\r\n");
    ASSERT_EQ(service.requests.size(), 1u);
    EXPECT_EQ(service.requests[0].contentType, "application/x-www-form-urlencoded");
}

TEST(PostRequest, HttpErrorStatusGivesTheBody) {
    fakes::FakeStatsService service;
    service.Answer("http://h:8091/v", "bad MAC_in", 400);
    EXPECT_EQ(PostRequest(service, "http://h:8091/v"), "bad MAC_in");
    EXPECT_EQ(PostRequest(service, "http://h:8091/missing"), "<h1>Not Found</h1>");
}

TEST(PostRequest, FailureAndTimeOutGiveMinusOne) {
    fakes::FakeStatsService down;
    down.Down();
    EXPECT_EQ(PostRequest(down, "http://h:8091/v"), "-1");

    fakes::FakeStatsService slow;
    slow.Hang("http://h:8091/v", milliseconds(60'000));
    EXPECT_EQ(PostRequest(slow, "http://h:8091/v"), "-1");
    // A reply within the bound is taken.
    slow.Hang("http://h:8091/v", kRequestTimeout - milliseconds(1));
    EXPECT_EQ(PostRequest(slow, "http://h:8091/v"), "1.9");
}

TEST(PostRequest, EveryRequestIsBoundedToAFewSeconds) {
    fakes::FakeStatsService service;
    PostRequest(service, "http://h:8091/v");
    ASSERT_EQ(service.requests.size(), 1u);
    EXPECT_GT(service.requests[0].timeout, milliseconds(0));
    EXPECT_LE(service.requests[0].timeout, milliseconds(10'000));
}

}  // namespace
}  // namespace qvx::report
