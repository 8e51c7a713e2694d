#include "app/handler_queue.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace qvx::app {
namespace {

using WhenBusy = HandlerQueue::WhenBusy;

class HandlerQueueTest : public ::testing::Test {
protected:
    HandlerQueue queue{[this] { return ended; }, [this] { ++failures; }};
    std::vector<std::string> log;
    bool ended = false;
    int failures = 0;
};

// What arrives while a handler waits: clicks run after it in arrival order, ticks are dropped,
// and nothing runs inside the waiting handler.
TEST_F(HandlerQueueTest, ActionsDuringAHandlerRunAfterItAndTicksAreDropped) {
    const bool ran = queue.Run(
        [&] {
            log.push_back("exchange begins");
            EXPECT_FALSE(queue.Run([&] { log.push_back("click 1"); }, WhenBusy::Defer));
            EXPECT_FALSE(queue.Run([&] { log.push_back("tick"); }, WhenBusy::Drop));
            EXPECT_FALSE(queue.Run([&] { log.push_back("click 2"); }, WhenBusy::Defer));
            EXPECT_EQ(queue.Waiting(), 2u);
            log.push_back("exchange ends");
        },
        WhenBusy::Drop);
    EXPECT_TRUE(ran);
    EXPECT_EQ(log,
              (std::vector<std::string>{"exchange begins", "exchange ends", "click 1", "click 2"}));
    EXPECT_FALSE(queue.Busy());
    // A tick on its own runs at once.
    EXPECT_TRUE(queue.Run([&] { log.push_back("tick"); }, WhenBusy::Drop));
    EXPECT_EQ(log.back(), "tick");
}

// A deferred action that itself waits and collects another one: that one runs last.
TEST_F(HandlerQueueTest, ActionsDeferredByADeferredActionRunInOrder) {
    queue.Run(
        [&] {
            queue.Run(
                [&] {
                    log.push_back("a");
                    queue.Run([&] { log.push_back("c"); }, WhenBusy::Defer);
                },
                WhenBusy::Defer);
            queue.Run([&] { log.push_back("b"); }, WhenBusy::Defer);
        },
        WhenBusy::Defer);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
}

// Once the form has ended, what still waits is dropped, and the queue runs again afterwards.
TEST_F(HandlerQueueTest, WaitingActionsAreDroppedOnceTheFormEnds) {
    queue.Run(
        [&] {
            queue.Run([&] { ended = true; }, WhenBusy::Defer);
            queue.Run([&] { log.push_back("after the end"); }, WhenBusy::Defer);
        },
        WhenBusy::Defer);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(queue.Waiting(), 0u);
    EXPECT_FALSE(queue.Busy());
}

// A handler that throws is reported; the ones waiting still run and nothing gets out.
TEST_F(HandlerQueueTest, AThrowingHandlerIsReportedAndTheNextOnesRun) {
    EXPECT_NO_THROW(queue.Run(
        [&] {
            queue.Run([&] { throw std::runtime_error("registry gone"); }, WhenBusy::Defer);
            queue.Run([&] { log.push_back("next click"); }, WhenBusy::Defer);
            throw 7;
        },
        WhenBusy::Defer));
    EXPECT_EQ(failures, 2);
    EXPECT_EQ(log, std::vector<std::string>{"next click"});
    EXPECT_FALSE(queue.Busy());
}

}  // namespace
}  // namespace qvx::app
