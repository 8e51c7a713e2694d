#pragma once
// Replaces every form of the global operator new/delete (plain, array, nothrow, over-aligned,
// sized) to count heap allocations. Include it from exactly one file of a test executable of its
// own: the replacement applies to the whole executable. A form left out would go to the
// library's (or the sanitizer's) own allocator and be missed by the count.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allocations{0};

void* CountedAllocate(std::size_t size, std::size_t alignment) noexcept {
    ++allocations;
    if (size == 0) {
        size = 1;
    }
    if (alignment <= __STDCPP_DEFAULT_NEW_ALIGNMENT__) {
        return std::malloc(size);
    }
    // posix_memalign, unlike aligned_alloc, takes a size that is no multiple of the alignment.
    void* p = nullptr;
    return posix_memalign(&p, std::max(alignment, sizeof(void*)), size) == 0 ? p : nullptr;
}

void* CountedAllocateOrThrow(std::size_t size, std::size_t alignment) {
    if (void* p = CountedAllocate(size, alignment)) {
        return p;
    }
    throw std::bad_alloc();
}

constexpr std::size_t kDefault = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
}  // namespace

void* operator new(std::size_t size) {
    return CountedAllocateOrThrow(size, kDefault);
}
void* operator new[](std::size_t size) {
    return CountedAllocateOrThrow(size, kDefault);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocate(size, kDefault);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return CountedAllocate(size, kDefault);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return CountedAllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return CountedAllocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return CountedAllocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return CountedAllocate(size, static_cast<std::size_t>(alignment));
}

// Once inlined, the optimiser sees free() of a pointer that came from operator new and warns,
// though this file pairs the two itself.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

// Both malloc and posix_memalign memory is given back with free.
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    std::free(p);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept {
    std::free(p);
}
