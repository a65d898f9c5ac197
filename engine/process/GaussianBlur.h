#pragma once
#include <cstdint>

#include "engine/core/MemoryFunctions.h"
#include "engine/core/ProgressCallback.h"
#include "engine/process/GaussianKernel.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/ScratchBlock.h"

namespace kyp {

// Results of GaussianBlur.
namespace blur {
inline constexpr int kFailed = 0;     // out of memory, cancelled or an unusable image
inline constexpr int kNotNeeded = 1;  // kernel of fewer than 3 taps: nothing written
inline constexpr int kBlurred = 2;
}  // namespace blur

// The blur's working storage: the kernel and the column strips of the vertical pass.
// Keeping one between runs lets repeated blurs of same-sized images allocate nothing.
struct BlurBuffers {
    BlurBuffers() = default;
    BlurBuffers(AllocateFunction allocate, ReleaseFunction release) : columns(allocate, release) {}

    GaussianKernel kernel;
    ScratchBlock columns;
};

// Blurs `image` (1 or 3 channels) into `destination`, which holds as many samples
// as the image: rows convolved into the destination, then the destination's columns
// convolved in place. Ticks the progress callback before each row of the first pass
// and each column of the second whose count still to do after it is a multiple of
// 20. Returns blur::k*.
[[nodiscard]] int GaussianBlur(uint16_t* destination, const ProcessedImage& image, float radius,
                               ProgressCallback* progress, BlurBuffers& buffers);

// The same with storage of its own, released before returning.
[[nodiscard]] int GaussianBlur(uint16_t* destination, const ProcessedImage& image, float radius,
                               ProgressCallback* progress);

}  // namespace kyp
