#pragma once
#include <cstddef>

namespace kyp {

// Heap blocks for whole images and mosaics. Blocks of kLargeBlockThreshold
// bytes or more are aligned to 2 MiB and offered to the kernel for
// transparent huge pages, as many as they fill whole (the rest of the last
// 2 MiB stays in small pages): a fresh 25 MB image then costs a dozen page
// faults instead of six thousand, which on virtual machines is most of the
// time a conversion takes. Their pages are made present at once, by all the
// threads of the shared ThreadPool. Smaller blocks come from malloc. Either
// way the block is released with std::free (ReleaseLargeBlock is just that),
// so blocks can be handed to code that frees them itself.
inline constexpr size_t kLargeBlockThreshold = size_t{1} << 20;
// Smaller blocks from this size up come from malloc with their whole pages
// made present at once as well (a page fault costs several microseconds
// under virtualisation; a 1 MB block touched page by page, several ms).
inline constexpr size_t kPresentBlockThreshold = size_t{32} << 10;

// Null when bytes is 0 or memory runs out. Contents are uninitialised.
[[nodiscard]] void* AllocateLargeBlock(size_t bytes);
void ReleaseLargeBlock(void* block);
// AllocateLargeBlock without making the pages present: the caller does that
// (MakePagesPresent), for example a piece at a time between other work.
[[nodiscard]] void* ReserveLargeBlock(size_t bytes);

// Has the kernel provide the whole pages inside [block, block + bytes) now,
// in one call on this thread (pages already present stay as they are).
void MakePagesPresent(void* block, size_t bytes);

}  // namespace kyp
