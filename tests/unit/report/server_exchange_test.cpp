#include "report/server_exchange.h"

#include <memory>

#include <gtest/gtest.h>

#include "report/stats_address.h"
#include "tests/fakes/report_fakes.h"

namespace qvx::report {
namespace {

const std::string kBase = "http://127.0.0.1:8091";
const std::string kVersionPath = kBase + "/vmo.api/api/version/Versionpc";
const std::string kUsagePath = kBase + "/vmo.api/api/user/addappUserinfo";

class ServerExchangeTest : public ::testing::Test {
protected:
    ServerExchangeTest() { host.statsHost = "127.0.0.1"; }

    std::vector<std::string> Paths() const {
        std::vector<std::string> paths;
        for (const auto& r : service.requests) {
            paths.push_back(r.url.substr(0, r.url.find('?')));
        }
        return paths;
    }

    fakes::FakeExchangeHost host;
    fakes::FakeStatsService service;
    fakes::FakeMacSource macs;
    fakes::FakePrompt prompt{&host.windowVisible};
    fakes::FakeLauncher launcher;
    ServerExchange exchange{{host, service, macs, prompt, launcher}};
};

TEST_F(ServerExchangeTest, RunsOnceAndSetsItsFlagFirst) {
    service.Answer(kVersionPath, "1.5");
    service.Answer(kUsagePath, "0");
    EXPECT_FALSE(exchange.ExchangeDone());
    EXPECT_EQ(exchange.Run(), ExchangeOutcome::Continue);
    EXPECT_TRUE(exchange.ExchangeDone());
    EXPECT_EQ(exchange.LastVersionReply(), "1.5");
    const auto requests = service.requests.size();
    EXPECT_EQ(exchange.Run(), ExchangeOutcome::AlreadyDone);
    EXPECT_EQ(service.requests.size(), requests);
}

TEST_F(ServerExchangeTest, UpdateOfferedOnlyForNewerNumericReplies) {
    const struct {
        const char* reply;
        bool offered;
    } cases[] = {{"1.6", true},
                 {"2.0", true},
                 {"1.5", false},
                 {"1.5\r\n", false},
                 {"1.6\r\n", true},
                 {"1.10", false},
                 {"Service Unavailable", false},
                 {"", false}};
    for (const auto& c : cases) {
        fakes::FakeExchangeHost h;
        fakes::FakeStatsService s;
        fakes::FakePrompt p{&h.windowVisible};
        h.statsHost = "127.0.0.1";
        s.Answer(kVersionPath, c.reply);
        ServerExchange e{{h, s, macs, p, launcher}};
        e.Run();
        EXPECT_EQ(p.shown.size(), c.offered ? 1u : 0u) << c.reply;
        EXPECT_TRUE(h.windowVisible) << c.reply;
    }
}

TEST_F(ServerExchangeTest, AcceptedOfferStartsTheUpdaterAndEndsWithNothingElse) {
    service.Answer(kVersionPath, "1.6");
    service.Answer(kUsagePath, "1");
    prompt.answers = {PromptAnswer::Ok};

    EXPECT_EQ(exchange.Run(), ExchangeOutcome::EndingForUpdate);

    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].text, "【Quorvex】发现了新版本的软件，请更新到最新的版本！");
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::OkCancel);
    EXPECT_FALSE(prompt.shown[0].windowVisible);  // hidden before the box
    EXPECT_EQ(launcher.started, std::vector<std::string>{"qvxUpgraded.exe"});
    EXPECT_EQ(host.events, (std::vector<std::string>{"hide", "end for update"}));
    EXPECT_EQ(Paths(), std::vector<std::string>{kVersionPath});  // no usage report
    EXPECT_EQ(macs.queries, 0);
    EXPECT_EQ(host.postServer, "");
}

TEST_F(ServerExchangeTest, DeclinedOfferShowsTheWindowAgainAndReportsInTheSameRun) {
    service.Answer(kVersionPath, "2.0");
    service.Answer(kUsagePath, "1");
    prompt.answers = {PromptAnswer::Cancel};
    // The user hides the window from the tray while the box is up; it still comes back.
    prompt.beforeAnswer = [this] { host.HideMainWindow(); };

    EXPECT_EQ(exchange.Run(), ExchangeOutcome::Continue);

    EXPECT_TRUE(host.windowVisible);
    EXPECT_TRUE(launcher.started.empty());
    EXPECT_FALSE(host.endedForUpdate);
    EXPECT_EQ(Paths(), (std::vector<std::string>{kVersionPath, kUsagePath}));
    EXPECT_EQ(host.postServer, "1");
}

TEST_F(ServerExchangeTest, MissingUpdaterIsToldAndTheProgramGoesOn) {
    service.Answer(kVersionPath, "1.6");
    service.Answer(kUsagePath, "1");
    prompt.answers = {PromptAnswer::Ok, PromptAnswer::Ok};
    launcher.updaterPresent = false;

    EXPECT_EQ(exchange.Run(), ExchangeOutcome::Continue);

    ASSERT_EQ(prompt.shown.size(), 2u);
    EXPECT_EQ(prompt.shown[1].text, "未找到升级程序 qvxUpgraded.exe，请至官网重新下载本程序。");
    EXPECT_EQ(prompt.shown[1].buttons, PromptButtons::OkOnly);
    EXPECT_FALSE(host.endedForUpdate);
    EXPECT_TRUE(host.windowVisible);
    EXPECT_EQ(Paths(), (std::vector<std::string>{kVersionPath, kUsagePath}));
    EXPECT_EQ(host.postServer, "1");
}

TEST_F(ServerExchangeTest, ServerDownOffersNothingShowsNothingAndLeavesTheReportPending) {
    service.Down();
    EXPECT_EQ(exchange.Run(), ExchangeOutcome::Continue);
    EXPECT_EQ(exchange.LastVersionReply(), "-1");
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(service.requests.size(), 2u);  // the report was tried and failed
    EXPECT_EQ(host.postServer, "");
}

TEST_F(ServerExchangeTest, HangingServerCountsAsDown) {
    service.Hang(kVersionPath, std::chrono::minutes(5));
    service.Hang(kUsagePath, std::chrono::minutes(5));
    EXPECT_EQ(exchange.Run(), ExchangeOutcome::Continue);
    EXPECT_EQ(exchange.LastVersionReply(), "-1");
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_EQ(host.postServer, "");
}

TEST_F(ServerExchangeTest, UsageReportIsStoredOnlyForOneWithBlanks) {
    const struct {
        const char* reply;
        int status;
        bool stored;
    } cases[] = {
        {"1", 200, true}, {"  1 ", 200, true}, {"0", 200, false},           {"11", 200, false},
        {"", 200, false}, {"1", 500, true},    {"bad request", 400, false}, {"1.0", 200, false}};
    for (const auto& c : cases) {
        fakes::FakeExchangeHost h;
        fakes::FakeStatsService s;
        fakes::FakePrompt p{&h.windowVisible};
        h.statsHost = "127.0.0.1";
        s.Answer(kVersionPath, "1.5");
        s.Answer(kUsagePath, c.reply, c.status);
        ServerExchange e{{h, s, macs, p, launcher}};
        e.Run();
        EXPECT_EQ(h.postServer, c.stored ? "1" : "") << '"' << c.reply << '"';
    }
}

TEST_F(ServerExchangeTest, UsageUrlCarriesEveryIpEnabledAdapter) {
    service.Answer(kVersionPath, "1.5");
    service.Answer(kUsagePath, "1");
    macs.macs = std::vector<std::string>{"00:1A:2B:3C:4D:5E", "52:54:00:12:34:56"};
    exchange.Run();
    ASSERT_EQ(service.requests.size(), 2u);
    EXPECT_EQ(service.requests[1].url,
              "http://127.0.0.1:8091/vmo.api/api/user/addappUserinfo?MAC_in=00-1A-2B-3C-4D-5E "
              "52-54-00-12-34-56&devicetype=pc");
}

TEST_F(ServerExchangeTest, NoReportOnceAccepted) {
    host.postServer = "1";
    service.Answer(kVersionPath, "1.5");
    exchange.Run();
    EXPECT_EQ(Paths(), std::vector<std::string>{kVersionPath});
    EXPECT_EQ(macs.queries, 0);
}

TEST_F(ServerExchangeTest, FailedAdapterQuerySendsNoReport) {
    service.Answer(kVersionPath, "1.5");
    service.Answer(kUsagePath, "1");
    macs.macs = std::nullopt;
    EXPECT_EQ(exchange.Run(), ExchangeOutcome::Continue);
    EXPECT_EQ(Paths(), std::vector<std::string>{kVersionPath});
    EXPECT_EQ(host.postServer, "");
}

TEST_F(ServerExchangeTest, HostComesFromTheConfiguredValue) {
    host.statsHost = "";
    exchange.Run();
    ASSERT_FALSE(service.requests.empty());
    EXPECT_EQ(service.requests[0].url,
              std::string("http://") + kDefaultStatsHost + ":8091/vmo.api/api/version/Versionpc");
}

// The work away from the window thread: each call returns at once while a request is under
// way, and the steps keep their order (version check, offer, then the report).
TEST_F(ServerExchangeTest, WorkAwayFromTheWindowThreadKeepsTheOrder) {
    service.Answer(kVersionPath, "1.6");
    service.Answer(kUsagePath, "1");
    prompt.answers = {PromptAnswer::Cancel};
    fakes::FakeBackground background;
    ServerExchange e{{host, service, macs, prompt, launcher, &background}};

    EXPECT_EQ(e.Run(), ExchangeOutcome::Continue);
    EXPECT_TRUE(e.ExchangeDone()) << "started: never started twice";
    EXPECT_TRUE(service.requests.empty()) << "the request runs in the work, not in Run";
    EXPECT_EQ(e.Run(), ExchangeOutcome::Continue);  // still waiting
    EXPECT_EQ(background.started, 1);
    EXPECT_TRUE(prompt.shown.empty());

    background.Finish();
    EXPECT_EQ(Paths(), std::vector<std::string>{kVersionPath});
    EXPECT_TRUE(prompt.shown.empty()) << "the offer waits for the window thread";
    EXPECT_EQ(e.Run(), ExchangeOutcome::Continue);
    ASSERT_EQ(prompt.shown.size(), 1u) << "the offer, on the caller's thread";
    EXPECT_EQ(e.LastVersionReply(), "1.6");
    EXPECT_EQ(background.started, 2) << "then the report";
    EXPECT_EQ(macs.queries, 0) << "the adapter query runs in the work too";
    EXPECT_EQ(host.postServer, "");

    background.Finish();
    EXPECT_EQ(Paths(), (std::vector<std::string>{kVersionPath, kUsagePath}));
    EXPECT_EQ(host.postServer, "") << "stored by the window thread, not by the work";
    EXPECT_EQ(e.Run(), ExchangeOutcome::Continue);
    EXPECT_EQ(host.postServer, "1");
    EXPECT_EQ(e.Run(), ExchangeOutcome::AlreadyDone);
    EXPECT_EQ(background.started, 2);
}

TEST_F(ServerExchangeTest, WorkFinishingAfterTheProgramEndedWritesIntoNothingFreed) {
    service.Answer(kVersionPath, "1.5");
    fakes::FakeBackground background;
    auto e = std::make_unique<ServerExchange>(
        ExchangePorts{host, service, macs, prompt, launcher, &background});
    e->Run();
    ASSERT_TRUE(background.Holding());
    e.reset();            // the program ends while the request is under way
    background.Finish();  // the sanitizers see any write into the freed exchange
    EXPECT_EQ(Paths(), std::vector<std::string>{kVersionPath});
}

}  // namespace
}  // namespace qvx::report
