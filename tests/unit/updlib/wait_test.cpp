#include <gtest/gtest.h>

#include <memory>

#include "tests/fakes/updlib_fakes.h"
#include "updlib/trovapi.h"

namespace qvx::updlib {
namespace {

using fakes::TrovapiFakes;

class SleepTest : public ::testing::Test {
protected:
    SleepTest() {
        fakes.files.moduleFileName = "C:\\Tools\\qvxUpgraded.exe";
        fakes.clock.now.minute = 7;
        fakes.clock.now.second = 30;
    }
    TrovapiFakes fakes;
};

TEST_F(SleepTest, WaitsOnANamedTimerUntilItFires) {
    trovapi api(fakes.Ports());
    // Two messages arrive before the timer fires: each is handled, then the wait goes on.
    fakes.wait.outcomes = {WaitOutcome::Input, WaitOutcome::Input, WaitOutcome::Timer};
    EXPECT_FALSE(api.Sleep(200).has_value());
    ASSERT_EQ(fakes.wait.createdNames.size(), 1u);
    EXPECT_EQ(fakes.wait.createdNames[0], "qvxUpgradedTimer0730");
    ASSERT_EQ(fakes.wait.dueTimes.size(), 1u);
    EXPECT_EQ(fakes.wait.dueTimes[0], -2000000);  // 200 ms in 100 ns units, relative
    EXPECT_EQ(fakes.wait.waitedOn.size(), 3u);
    EXPECT_EQ(fakes.wait.pumps, 3);
    EXPECT_TRUE(fakes.wait.open.empty());
}

TEST_F(SleepTest, ZeroAndNegativeWaitsFireAtOnce) {
    trovapi api(fakes.Ports());
    EXPECT_FALSE(api.Sleep(0).has_value());
    EXPECT_FALSE(api.Sleep(-5).has_value());
    const std::vector<std::int64_t> expected = {0, 0};
    EXPECT_EQ(fakes.wait.dueTimes, expected);
    EXPECT_TRUE(fakes.wait.open.empty());
}

TEST_F(SleepTest, TimerNameUsesTwoDigitMinuteAndSecond) {
    fakes.files.moduleFileName = "D:\\x\\other.prog.exe";
    fakes.clock.now.minute = 0;
    fakes.clock.now.second = 5;
    trovapi api(fakes.Ports());
    api.Sleep(1);
    EXPECT_EQ(fakes.wait.createdNames.at(0), "other.progTimer0005");
}

TEST_F(SleepTest, NestedWaitInTheSameSecondDoesNotRearmTheOuterTimer) {
    trovapi api(fakes.Ports());
    bool nested = false;
    fakes.wait.outcomes = {WaitOutcome::Input, WaitOutcome::Timer, WaitOutcome::Timer};
    fakes.wait.onPump = [&] {
        if (!nested) {
            nested = true;
            EXPECT_FALSE(api.Sleep(50).has_value());
        }
    };
    EXPECT_FALSE(api.Sleep(200).has_value());
    // The handler's wait found the name taken (101), gave it back and took an unnamed timer.
    const std::vector<std::string> names = {"qvxUpgradedTimer0730", "qvxUpgradedTimer0730", ""};
    EXPECT_EQ(fakes.wait.createdNames, names);
    const std::vector<TimerHandle> waited = {100, 102, 100};
    EXPECT_EQ(fakes.wait.waitedOn, waited);
    EXPECT_EQ(fakes.wait.dueTimeOf[100], -2000000);  // the outer wait keeps its own time
    EXPECT_EQ(fakes.wait.dueTimeOf[102], -500000);
    EXPECT_EQ(fakes.wait.dueTimeOf.count(101), 0u);  // the shared timer was never armed again
    const std::vector<TimerHandle> closed = {101, 102, 100};
    EXPECT_EQ(fakes.wait.closed, closed);
    EXPECT_TRUE(fakes.wait.open.empty());
}

TEST_F(SleepTest, NameHeldByAnotherProgramLeavesItsTimerAlone) {
    fakes.wait.foreignNames.insert("qvxUpgradedTimer0730");
    trovapi api(fakes.Ports());
    EXPECT_FALSE(api.Sleep(200).has_value());
    const std::vector<TimerHandle> waited = {101};
    EXPECT_EQ(fakes.wait.waitedOn, waited);
    EXPECT_EQ(fakes.wait.dueTimeOf.count(100), 0u);
    EXPECT_TRUE(fakes.wait.open.empty());
}

TEST_F(SleepTest, ObjectReleasedInsideTheWaitClosesTheTimerOnce) {
    auto api = std::make_unique<trovapi>(fakes.Ports());
    fakes.wait.outcomes = {WaitOutcome::Input, WaitOutcome::Timer};
    fakes.wait.onPump = [&] { api.reset(); };
    trovapi* raw = api.get();
    EXPECT_FALSE(raw->Sleep(200).has_value());
    EXPECT_EQ(api, nullptr);
    const std::vector<TimerHandle> closed = {100};
    EXPECT_EQ(fakes.wait.closed, closed);
    EXPECT_EQ(fakes.wait.waitedOn.size(), 1u);  // no wait after the release
}

TEST_F(SleepTest, FailuresAreHandedBackWithTheirSource) {
    struct Case {
        bool failCreate;
        bool failSet;
        bool failWait;
    };
    const Case cases[] = {{true, false, false}, {false, true, false}, {false, false, true}};
    for (const Case& c : cases) {
        TrovapiFakes local;
        local.wait.failCreate = c.failCreate;
        local.wait.failSet = c.failSet;
        if (c.failWait) {
            local.wait.outcomes = {WaitOutcome::Failed};
        }
        trovapi api(local.Ports());
        const std::optional<TrovapiError> error = api.Sleep(200);
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->number, 6);
        EXPECT_EQ(error->description.rfind("[clsWaitableTimer.Wait]", 0), 0u) << error->description;
        EXPECT_TRUE(local.wait.open.empty());
        EXPECT_LE(local.wait.waitedOn.size(), 1u);  // a failed wait is not retried forever
    }
}

}  // namespace
}  // namespace qvx::updlib
