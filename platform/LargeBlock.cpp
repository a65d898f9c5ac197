#include "platform/LargeBlock.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>

namespace kyp {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

void* AllocateLargeBlock(size_t bytes) {
    if (bytes == 0) return nullptr;
    if (bytes < kLargeBlockThreshold) return std::malloc(bytes);
    if (bytes > SIZE_MAX - kHugePage) return nullptr;
    // aligned_alloc wants a multiple of the alignment; the rounding also keeps
    // the block's last huge page from being shared with other allocations.
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* block = std::aligned_alloc(kHugePage, rounded);
    if (block == nullptr) return nullptr;
#ifdef MADV_HUGEPAGE
    // Only advice: without huge pages the block works the same, page by page.
    (void)::madvise(block, rounded, MADV_HUGEPAGE);
#endif
    return block;
}

void ReleaseLargeBlock(void* block) { std::free(block); }

}  // namespace kyp
