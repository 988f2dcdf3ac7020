#pragma once
// Memory for page-sized pictures (tens of megabytes, written row by row): aligned to and backed
// by huge pages where the system offers them, since filling such blocks in 4 KB pages spends
// more time in page faults than in the filling. Smaller blocks come from malloc.

#include <cstddef>

namespace pg {

// Throws std::bad_alloc when no memory is left.
void* AllocateLargeBlock(size_t bytes);
void FreeLargeBlock(void* block);

// The same as an allocator for standard containers.
template <typename T> struct TLargeBlockAllocator {
    using value_type = T;
    TLargeBlockAllocator() = default;
    template <typename U> TLargeBlockAllocator(const TLargeBlockAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(AllocateLargeBlock(n * sizeof(T))); }
    void deallocate(T* p, size_t) { FreeLargeBlock(p); }
    bool operator==(const TLargeBlockAllocator&) const = default;
};

} // namespace pg
