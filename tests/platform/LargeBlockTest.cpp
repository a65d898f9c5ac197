#include "platform/LargeBlock.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace kyp {
namespace {

// Whole pages inside [block, block + bytes) that are not resident.
size_t MissingPages(const void* block, size_t bytes) {
    const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<uintptr_t>(block);
    const uintptr_t first = (start + page - 1) / page * page;
    const uintptr_t end = (start + bytes) / page * page;
    if (end <= first) return 0;
    std::vector<unsigned char> resident((end - first) / page);
    if (::mincore(reinterpret_cast<void*>(first), end - first, resident.data()) != 0) return SIZE_MAX;
    size_t missing = 0;
    for (unsigned char r : resident) missing += (r & 1) == 0;
    return missing;
}

bool PopulateSupported() {
    void* probe = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (probe == MAP_FAILED) return false;
    const bool supported = ::madvise(probe, 4096, 23 /* MADV_POPULATE_WRITE */) == 0;
    ::munmap(probe, 4096);
    return supported;
}

// Fresh anonymous memory: nothing resident until touched or populated.
void* FreshMapping(size_t bytes) {
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

}  // namespace

TEST(LargeBlock, PagesOfMidSizeAndLargeBlocksArePresentOnceAllocated) {
    if (!PopulateSupported()) GTEST_SKIP() << "kernel without MADV_POPULATE_WRITE";
    // An unaligned range in a fresh mapping: only its whole pages, all of them.
    const size_t mapped = 64 * 4096;
    auto* fresh = static_cast<uint8_t*>(FreshMapping(mapped));
    ASSERT_NE(fresh, nullptr);
    ASSERT_EQ(MissingPages(fresh, mapped), 64u);
    MakePagesPresent(fresh + 100, 20 * 4096);  // whole pages 1 to 19
    EXPECT_EQ(MissingPages(fresh, mapped), 64u - 19u);
    EXPECT_EQ(MissingPages(fresh + 4096, 19 * 4096), 0u);
    MakePagesPresent(fresh + 8 * 4096 + 1, 4000);  // no whole page: nothing
    MakePagesPresent(nullptr, 4096);
    EXPECT_EQ(MissingPages(fresh, mapped), 64u - 19u);
    ::munmap(fresh, mapped);

    for (size_t bytes : {kPresentBlockThreshold, size_t{1025088}, kLargeBlockThreshold + 12345}) {
        void* block = AllocateLargeBlock(bytes);
        ASSERT_NE(block, nullptr) << bytes;
        EXPECT_EQ(MissingPages(block, bytes), 0u) << bytes;
        std::memset(block, 0xA5, bytes);
        ReleaseLargeBlock(block);
    }
    EXPECT_EQ(AllocateLargeBlock(0), nullptr);
}

}  // namespace kyp
