#pragma once
#include <cstdint>

#include "engine/core/MemoryFunctions.h"
#include "engine/core/ProgressCallback.h"
#include "engine/process/GaussianBlur.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/ScratchBlock.h"

namespace kyp {

// Working storage of the unsharp mask: the blur's buffers and the blurred copy.
// Keep one between runs to avoid reallocating for every image of the same size.
struct SharpenBuffers {
    SharpenBuffers() = default;
    SharpenBuffers(AllocateFunction allocate, ReleaseFunction release)
        : blur(allocate, release), blurred(allocate, release) {}

    BlurBuffers blur;
    ScratchBlock blurred;
};

// Sharpens the image in place: every sample whose difference d from its blurred
// value exceeds 2 x threshold becomes blurred + d x 2 x amount / 100 (amount 50
// keeps the image, 100 adds the difference once), clamped to 0..1023.
// The radius goes to BuildGaussianKernel; below kMinUsmRadius (or not a number)
// nothing is done. True on success or nothing to do; false when memory runs out
// or the progress callback cancels (during the blur the image is then unchanged;
// during the final pass the rows before it are sharpened). The final pass ticks
// before each row whose count of rows still to do after it is a multiple of 20.
[[nodiscard]] bool UnsharpMask(ProcessedImage& image, int32_t amount, float radius, int32_t threshold,
                               ProgressCallback* progress, SharpenBuffers& buffers);

// The same with storage of its own, released before returning.
[[nodiscard]] bool UnsharpMask(ProcessedImage& image, int32_t amount, float radius, int32_t threshold,
                               ProgressCallback* progress);

}  // namespace kyp
