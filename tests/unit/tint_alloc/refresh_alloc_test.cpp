// The tint refresh runs every second for the whole run: it must not touch the heap. This suite
// is its own executable because it replaces the global operator new to count allocations.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <new>

#include "tests/fakes/fake_gamma_display.h"
#include "tint/gamma_ramp.h"
#include "tests/unit/counting_allocator.h"

namespace qvx::tint {
namespace {

using fakes::FakeGammaDisplay;

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

struct alignas(64) WideBlock {
    char bytes[64];
};

// The pointer goes through a volatile, so that the optimiser cannot drop a new/delete pair.
template <class T>
T* Kept(T* p) {
    void* volatile sink = p;
    return static_cast<T*>(sink);
}

bool AlignedTo(const void* p, std::size_t alignment) {
    return p != nullptr && reinterpret_cast<std::uintptr_t>(p) % alignment == 0;
}

// Each form allocates once and frees it again; it answers whether the block was aligned as asked.
struct AllocationForm {
    const char* name;
    bool (*run)();
};

constexpr AllocationForm kAllocationForms[] = {
    {"operator new",
     [] {
         void* p = Kept(::operator new(16));
         const bool aligned = AlignedTo(p, alignof(std::max_align_t));
         ::operator delete(p);
         return aligned;
     }},
    {"new T",
     [] {
         int* p = Kept(new int(7));
         const bool aligned = AlignedTo(p, alignof(int));
         delete p;
         return aligned;
     }},
    {"new T[n]",
     [] {
         int* p = Kept(new int[3]);
         const bool aligned = AlignedTo(p, alignof(int));
         delete[] p;
         return aligned;
     }},
    {"new (nothrow) T",
     [] {
         int* p = Kept(new (std::nothrow) int(7));
         const bool aligned = AlignedTo(p, alignof(int));
         delete p;
         return aligned;
     }},
    {"new (nothrow) T[n]",
     [] {
         int* p = Kept(new (std::nothrow) int[3]);
         const bool aligned = AlignedTo(p, alignof(int));
         delete[] p;
         return aligned;
     }},
    {"over-aligned new T",
     [] {
         WideBlock* p = Kept(new WideBlock);
         const bool aligned = AlignedTo(p, 64);
         delete p;
         return aligned;
     }},
    {"over-aligned new T[n]",
     [] {
         WideBlock* p = Kept(new WideBlock[3]);
         const bool aligned = AlignedTo(p, 64);
         delete[] p;
         return aligned;
     }},
    {"over-aligned new (nothrow) T",
     [] {
         WideBlock* p = Kept(new (std::nothrow) WideBlock);
         const bool aligned = AlignedTo(p, 64);
         delete p;
         return aligned;
     }},
    {"over-aligned new (nothrow) T[n]",
     [] {
         WideBlock* p = Kept(new (std::nothrow) WideBlock[3]);
         const bool aligned = AlignedTo(p, 64);
         delete[] p;
         return aligned;
     }},
    {"operator new(size, 256) with a size of no multiple",
     [] {
         void* p = Kept(::operator new (100, std::align_val_t{256}));
         const bool aligned = AlignedTo(p, 256);
         ::operator delete (p, std::align_val_t{256});
         return aligned;
     }},
    {"operator new[](size, 32, nothrow)",
     [] {
         void* p = Kept(::operator new[](40, std::align_val_t{32}, std::nothrow));
         const bool aligned = AlignedTo(p, 32);
         ::operator delete[](p, std::align_val_t{32}, std::nothrow);
         return aligned;
     }},
};

TEST(RefreshAllocationTest, CounterSeesEveryFormOfNew) {
    for (const AllocationForm& form : kAllocationForms) {
        const long before = allocations.load();
        EXPECT_TRUE(form.run()) << form.name << ": not aligned as asked";
        EXPECT_EQ(allocations.load() - before, 1) << form.name;
    }
}

}  // namespace
}  // namespace qvx::tint
