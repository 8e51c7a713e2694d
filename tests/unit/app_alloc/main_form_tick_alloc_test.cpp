// The session tick runs every second for the whole run: the main window's own part of it must
// not touch the heap. The registry gateway's read of the date (the one registry call of an
// ordinary tick) is measured alone and taken off. This suite is its own executable because it
// replaces the global operator new to count allocations.

#include "tests/unit/app/main_form_fixture.h"
#include "tests/unit/counting_allocator.h"

namespace qvx::app {
namespace {

using TickAllocationTest = MainFormFixture;

TEST_F(TickAllocationTest, OrdinaryTicksAllocateNothingBeyondTheDateRead) {
    Put("ZNHY", "0");
    Put("SetHuYanValue", "33");
    Start();
    Tick();  // the first tick carries the server exchange
    Ticks(10);

    // Active ticks (labels change), idle ticks, a break that restarts the countdown, and a
    // pause that starts a nudge series; none of them the 60th.
    constexpr int kTicks = 40;
    const long before = allocations.load();
    for (int i = 0; i < kTicks; ++i) {
        if (i == 20) {
            clock.Advance(10);
        }
        Tick(i % 10 < 5 ? 0 : 6 * 60 * 1000);
    }
    const long tickAllocations = allocations.load() - before;

    const std::string key = "Software\\quorvex";
    const std::string name = "SetNowDateVlaue";
    const long readBefore = allocations.load();
    for (int i = 0; i < kTicks; ++i) {
        const std::string date = module.ReadRegValue(HKEY_CURRENT_USER_ROOT, key, name);
        ASSERT_EQ(date, Today());
    }
    const long readAllocations = allocations.load() - readBefore;

    EXPECT_EQ(form->SaveTickCounter(), 51);
    EXPECT_EQ(form->KJSCSeconds(), 51);
    EXPECT_EQ(tickAllocations - readAllocations, 0)
        << "ticks " << tickAllocations << ", date reads " << readAllocations;
}

}  // namespace
}  // namespace qvx::app
