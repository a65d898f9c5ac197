#pragma once
#include <cstddef>

namespace kyp {

// Heap blocks for whole images and mosaics. Blocks of kLargeBlockThreshold
// bytes or more are aligned to 2 MiB and offered to the kernel for
// transparent huge pages: a fresh 25 MB image then costs a dozen page faults
// instead of six thousand, which on virtual machines is most of the time a
// conversion takes. Their pages are made present at once, by all the
// threads of the shared ThreadPool. Smaller blocks come from malloc. Either way the block is
// released with std::free (ReleaseLargeBlock is just that), so blocks can be
// handed to code that frees them itself.
inline constexpr size_t kLargeBlockThreshold = size_t{1} << 20;

// Null when bytes is 0 or memory runs out. Contents are uninitialised.
[[nodiscard]] void* AllocateLargeBlock(size_t bytes);
void ReleaseLargeBlock(void* block);

}  // namespace kyp
