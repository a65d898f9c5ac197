#include "platform/LargeBlock.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/ThreadPool.h"

namespace kyp {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif

// Has the kernel provide (and clear) the block's pages now, a huge page per
// unit of work, on all the pool's threads: clearing 30 MB of fresh memory is
// a large part of a conversion, and this way it is shared out instead of
// falling on whichever thread first writes each page.
void Populate(void* block, size_t bytes) {
    struct Job {
        uint8_t* base;
        size_t bytes;
    } job{static_cast<uint8_t*>(block), bytes};
    ThreadPool::Shared().Run(
        (bytes + kHugePage - 1) / kHugePage,
        [](void* context, size_t unit, unsigned) {
            const auto& j = *static_cast<const Job*>(context);
            uint8_t* start = j.base + unit * kHugePage;
            const size_t length = std::min(kHugePage, j.bytes - unit * kHugePage);
            if (::madvise(start, length, MADV_POPULATE_WRITE) != 0) {
                // Older kernels: a write per page does the same.
                for (size_t offset = 0; offset < length; offset += 4096) start[offset] = 0;
            }
        },
        nullptr, &job);
}

}  // namespace

void* AllocateLargeBlock(size_t bytes) {
    if (bytes == 0) return nullptr;
    if (bytes < kLargeBlockThreshold) {
        void* block = std::malloc(bytes);
        if (block != nullptr && bytes >= kPresentBlockThreshold) MakePagesPresent(block, bytes);
        return block;
    }
    void* block = ReserveLargeBlock(bytes);
    if (block != nullptr) Populate(block, bytes);
    return block;
}

void* ReserveLargeBlock(size_t bytes) {
    if (bytes == 0) return nullptr;
    if (bytes < kLargeBlockThreshold) return std::malloc(bytes);
    if (bytes > SIZE_MAX - kHugePage) return nullptr;
    // aligned_alloc wants a multiple of the alignment; the rounding also keeps
    // the block's last huge page from being shared with other allocations.
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* block = std::aligned_alloc(kHugePage, rounded);
    if (block == nullptr) return nullptr;
    // Only advice: without huge pages the block works the same, page by page.
    // The part that fills whole huge pages gets them; the rest of the last one
    // stays in small pages, so that a 21.7 MB image holds 21.7 MB, not 22.
    const size_t whole = bytes / kHugePage * kHugePage;
#ifdef MADV_HUGEPAGE
    if (whole > 0) (void)::madvise(block, whole, MADV_HUGEPAGE);
#endif
#ifdef MADV_NOHUGEPAGE
    if (whole < rounded) (void)::madvise(static_cast<uint8_t*>(block) + whole, rounded - whole, MADV_NOHUGEPAGE);
#endif
    return block;
}

void ReleaseLargeBlock(void* block) { std::free(block); }

void MakePagesPresent(void* block, size_t bytes) {
    if (block == nullptr || bytes == 0) return;
    static const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pageSize <= 0) return;
    const auto page = static_cast<uintptr_t>(pageSize);
    const auto start = reinterpret_cast<uintptr_t>(block);
    if (bytes > UINTPTR_MAX - start - page) return;
    const uintptr_t first = (start + page - 1) / page * page;
    const uintptr_t end = (start + bytes) / page * page;
    if (end <= first) return;
    // Only a hint: on older kernels the pages arrive on first touch as usual.
    (void)::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
}

}  // namespace kyp
