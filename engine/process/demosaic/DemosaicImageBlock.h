#pragma once
#include <cstdint>

#include "engine/core/MemoryFunctions.h"
#include "engine/process/ProcessedImage.h"

namespace kyp {

// Gives `image` the demosaic result's shape: width x height pixels of
// `channels` 16-bit samples. A sample block already holding at least the
// needed byte size is kept; otherwise it is released and a new one allocated,
// both through the given memory functions (the heap pair unless both are
// given). False when the size is 0 or does not fit the 32-bit byte size
// (image unchanged), or when allocation fails (image left empty, no block).
[[nodiscard]] bool ShapeDemosaicImage(ProcessedImage& image, uint32_t width, uint32_t height,
                                      uint16_t channels, AllocateFunction allocate,
                                      ReleaseFunction release);

// Releases the sample block (through the pair ShapeDemosaicImage would use)
// and leaves an empty record.
void ReleaseDemosaicImage(ProcessedImage& image, AllocateFunction allocate, ReleaseFunction release);

}  // namespace kyp
