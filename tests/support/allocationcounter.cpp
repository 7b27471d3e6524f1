// Replaces the global allocation functions of the test binary it is linked into (as a source of
// that binary, not through a library, so the replacement is always taken) to count allocations.
#include "tests/support/allocationcounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// GCC 12 mistakes the replacement pair below for a mismatched malloc/delete once inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {
std::atomic<long> allocations{0};
}  // namespace

long AllocationCount() {
    return allocations.load();
}

void* operator new(std::size_t size) {
    ++allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    ::operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    ::operator delete[](p);
}
