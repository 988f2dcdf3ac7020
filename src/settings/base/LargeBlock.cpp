#include "LargeBlock.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

namespace pg {

void* AllocateLargeBlock(size_t bytes) {
    constexpr size_t kHugePage = size_t(2) << 20;
    void* block = nullptr;
    if (bytes >= 2 * kHugePage) {
        const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        block = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
        if (block)
            ::madvise(block, rounded, MADV_HUGEPAGE);
#endif
    }
    if (!block)
        block = std::malloc(std::max<size_t>(bytes, 1));
    if (!block)
        throw std::bad_alloc();
    return block;
}

void FreeLargeBlock(void* block) {
    std::free(block);
}

} // namespace pg
