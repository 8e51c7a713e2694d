// The tint refresh runs every second for the whole run: it must not touch the heap. This suite
// is its own executable because it replaces the global operator new to count allocations.

#include <gtest/gtest.h>

#include "tests/fakes/fake_gamma_display.h"
#include "tint/gamma_ramp.h"
#include "tests/unit/counting_allocator.h"

namespace qvx {
namespace {

TEST(RefreshAllocationTest, TickPathAllocatesNothing) {
    TintEngine engine;
    engine.InitBaseRamp();
    FakeGammaDisplay display;
    engine.ResetRefresh(0);
    const long before = allocations.load();
    std::int64_t now = 10;  // starts a nudge series
    for (int v : {0, 17, 33, 50}) {
        for (int n = 0; n < 15; ++n) {
            engine.Refresh(v, now++, display);
        }
        engine.ApplyPosition(v, display);
    }
    EXPECT_EQ(allocations.load() - before, 0);
    EXPECT_EQ(display.loadCount, 64);
}

TEST(RefreshAllocationTest, CounterSeesAnAllocation) {
    const long before = allocations.load();
    void* p = ::operator new(16);
    EXPECT_EQ(allocations.load() - before, 1);
    ::operator delete(p);
}

}  // namespace
}  // namespace qvx
